// Display values and texts, independent of the host: laws, the five-character cut, the locale.
#include "dsp/ParameterDisplay.h"
#include "dsp/ParameterTable.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using tmx1::displayNumber;
using tmx1::parameterDisplayText;

TEST(ParameterDisplay, LawsHitTheirEndsAndMiddles) {
    EXPECT_FLOAT_EQ(tmx1::displayValue(tmx1::kRelease, 0.5f), 5.0f * std::sqrt(1000.0f));
    EXPECT_EQ(tmx1::displayValue(tmx1::kRelease, 1.0f), 5000.0f);
    EXPECT_EQ(tmx1::displayValue(tmx1::kThreshold, 0.0f), -40.0f);
    EXPECT_EQ(tmx1::displayValue(tmx1::kGain, 1.0f), 10.0f);
    EXPECT_EQ(tmx1::displayValue(tmx1::kPde, 1.0f), 0.0f);
    EXPECT_EQ(tmx1::mapExponential(0.5f, 1.0f, 100.0f), 10.0f);
    EXPECT_EQ(tmx1::mapLinear(0.25f, 0.0f, 4.0f), 1.0f);
}

TEST(ParameterDisplay, FactoryThresholdIsAHairAboveZeroAndShowsAsZero) {
    const float x = tmx1::displayValue(tmx1::kThreshold, 0.8f);
    EXPECT_GT(x, 0.0f);
    EXPECT_LT(x, 1e-6f);
    EXPECT_EQ(parameterDisplayText(tmx1::kThreshold, 0.8f, '.'), "0.000 dB");
}

TEST(ParameterDisplay, CutLeavesNoDanglingSeparator) {
    EXPECT_EQ(displayNumber(5000.0f, '.'), "5000 ");
    EXPECT_EQ(displayNumber(5000.0f, ','), "5000 ");
    EXPECT_EQ(displayNumber(-2.5f, ','), "-2,50");
    EXPECT_EQ(displayNumber(-40.0f, '.'), "-40.0");
}

TEST(ParameterDisplay, DecimalSeparatorComesFromTheCaller) {
    EXPECT_EQ(parameterDisplayText(tmx1::kRelease, 0.5f, ','), "158,1 ms");
    EXPECT_EQ(parameterDisplayText(tmx1::kKnee, 0.25f, ','), "5,000 dB");
}

TEST(ParameterDisplay, ReleaseTypeNameFollowsTheValueWithHalvesToTheEvenType) {
    const char* names[] = {"Opto", "Pumper", "Smooth 2", "Smooth 1", "Classic"};
    for (int type = 0; type < 5; ++type)
        EXPECT_EQ(parameterDisplayText(tmx1::kReleaseType, type / 4.0f, '.'), names[type]);
    // Halfway between two types (0.5, 1.5, 2.5, 3.5 after mapping) the even one is taken.
    EXPECT_EQ(parameterDisplayText(tmx1::kReleaseType, 0.125f, '.'), "Opto");
    EXPECT_EQ(parameterDisplayText(tmx1::kReleaseType, 0.375f, '.'), "Smooth 2");
    EXPECT_EQ(parameterDisplayText(tmx1::kReleaseType, 0.625f, '.'), "Smooth 2");
    EXPECT_EQ(parameterDisplayText(tmx1::kReleaseType, 0.875f, '.'), "Classic");
    EXPECT_EQ(parameterDisplayText(tmx1::kReleaseType, std::nextafter(0.125f, 1.0f), '.'), "Pumper");
}

TEST(ParameterDisplay, SwitchesAreOnOnlyAboveOneHalf) {
    for (int index : {tmx1::kPde, tmx1::kAutoGain, tmx1::kBrickWall, tmx1::kStereoLink}) {
        EXPECT_EQ(parameterDisplayText(index, 0.5f, '.'), "Off");
        EXPECT_EQ(parameterDisplayText(index, std::nextafter(0.5f, 1.0f), '.'), "On");
    }
}

} // namespace
