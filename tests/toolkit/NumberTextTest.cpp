// Fixed-point number text: one rounding to the shorter of significant digits and decimals.
#include "toolkit/NumberText.h"

#include <gtest/gtest.h>

namespace {

using toolkit::formatFixed;

TEST(NumberText, PadsToTheFixedCountOfDecimals) {
    EXPECT_EQ(formatFixed(10.0, 5, 3, '.'), "10.000");
    EXPECT_EQ(formatFixed(-27.5, 5, 3, '.'), "-27.500");
    EXPECT_EQ(formatFixed(0.0, 5, 3, '.'), "0.000");
    EXPECT_EQ(formatFixed(7.0, 2, 1, '.'), "7.0");
}

TEST(NumberText, SignificantDigitsWinWhenTheyKeepFewerDigits) {
    EXPECT_EQ(formatFixed(158.11388, 5, 3, '.'), "158.110");
    EXPECT_EQ(formatFixed(5000.0, 5, 3, '.'), "5000.000");
    EXPECT_EQ(formatFixed(2036.94, 5, 3, '.'), "2036.900");
    EXPECT_EQ(formatFixed(123456.0, 5, 3, '.'), "123460.000");
    EXPECT_EQ(formatFixed(-12.34, 2, 1, '.'), "-12.0");
    EXPECT_EQ(formatFixed(0.123456, 5, 3, '.'), "0.123");
}

TEST(NumberText, HalvesRoundAwayFromZero) {
    EXPECT_EQ(formatFixed(0.0625, 5, 3, '.'), "0.063"); // exactly representable half
    EXPECT_EQ(formatFixed(-0.0625, 5, 3, '.'), "-0.063");
    EXPECT_EQ(formatFixed(2.5, 1, 0, '.'), "3");
    EXPECT_EQ(formatFixed(-2.5, 1, 0, '.'), "-3");
    EXPECT_EQ(formatFixed(0.25, 1, 1, '.'), "0.3");
}

TEST(NumberText, RoundsTheExactBinaryValueNotItsShortestDecimal) {
    // 0.1235 as a double lies just below the half, 0.1255 just above it.
    EXPECT_EQ(formatFixed(0.1235, 5, 3, '.'), "0.123");
    EXPECT_EQ(formatFixed(0.1255, 5, 3, '.'), "0.126");
}

TEST(NumberText, CarriesThroughNines) {
    EXPECT_EQ(formatFixed(9.9996, 5, 3, '.'), "10.000");
    EXPECT_EQ(formatFixed(99999.7, 5, 3, '.'), "100000.000");
    EXPECT_EQ(formatFixed(0.9999, 2, 1, '.'), "1.0");
}

TEST(NumberText, TinyValuesShowAsUnsignedZero) {
    EXPECT_EQ(formatFixed(6e-7, 5, 3, '.'), "0.000");
    EXPECT_EQ(formatFixed(-6e-7, 5, 3, '.'), "0.000");
    EXPECT_EQ(formatFixed(-0.0, 5, 3, '.'), "0.000");
}

TEST(NumberText, UsesTheGivenDecimalSeparator) {
    EXPECT_EQ(formatFixed(-2.5, 5, 3, ','), "-2,500");
    EXPECT_EQ(formatFixed(3.0, 5, 0, ','), "3");
}

TEST(NumberText, NonFiniteValuesHaveAText) {
    EXPECT_EQ(formatFixed(std::numeric_limits<double>::quiet_NaN(), 5, 3, '.'), "NAN");
    EXPECT_EQ(formatFixed(-std::numeric_limits<double>::infinity(), 5, 3, '.'), "-INF");
    EXPECT_EQ(formatFixed(1e300, 5, 3, '.').substr(0, 6), "100000");
}

} // namespace
