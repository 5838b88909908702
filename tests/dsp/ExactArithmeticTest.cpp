// The signal path computes some expressions in a cheaper form than they are written in: a
// multiplication for a division, a float operation for a double one rounded to float, four
// interleaved generator streams for one. Each form must give the same float for every input the
// path can feed it; these tests check that, exhaustively where the inputs can be counted.
#include "dsp/Dither.h"
#include "dsp/Level.h"
#include "dsp/MeterStep.h"
#include "dsp/StaticCurve.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

float floatFromBits(std::uint32_t bits) { return std::bit_cast<float>(bits); }

// Every level the table is used for: from the smallest a detector gives (|x| + 1e-20 rounded to
// float) up to 2.0, every float between them.
TEST(ExactRewrites, TablePositionIsTheRoundedQuotientForEveryLevelTheTableServes) {
    const auto first = std::bit_cast<std::uint32_t>(static_cast<float>(0.0 + 1e-20));
    const auto last = std::bit_cast<std::uint32_t>(2.0f);
    std::uint64_t differing = 0;
    std::uint32_t firstDiffering = 0;
    for (std::uint32_t bits = first; bits <= last; ++bits) {
        const float level = floatFromBits(bits);
        const auto quotient = static_cast<float>(static_cast<double>(level) / 0.001);
        if (tmx1::tablePosition(level) != quotient && differing++ == 0)
            firstDiffering = bits;
    }
    EXPECT_EQ(differing, 0u) << "first at level " << floatFromBits(firstDiffering);
}

// A level is the magnitude itself from the threshold up: every float of the lowest ten binades
// above it, where the floor comes nearest to changing the rounding, and a float in every 257 above
// them, up to the largest.
TEST(ExactRewrites, LevelIsTheMagnitudeFromTheThresholdUp) {
    const std::uint32_t denseEnd = tmx1::kMagnitudeIsLevel + (10u << 23);
    const auto largest = std::bit_cast<std::uint32_t>(FLT_MAX);
    std::uint64_t differing = 0;
    std::uint32_t firstDiffering = 0;
    for (std::uint64_t bits = tmx1::kMagnitudeIsLevel; bits <= largest; bits += bits < denseEnd ? 1 : 257) {
        const float magnitude = floatFromBits(static_cast<std::uint32_t>(bits));
        if ((tmx1::level(magnitude) != magnitude || tmx1::level(-magnitude) != magnitude) && differing++ == 0)
            firstDiffering = static_cast<std::uint32_t>(bits);
    }
    EXPECT_EQ(differing, 0u) << "first at " << floatFromBits(firstDiffering);
    // Far enough below, the floor shows: the rule must not reach down there.
    EXPECT_NE(tmx1::level(floatFromBits(tmx1::kMagnitudeIsLevel - (8u << 23))), floatFromBits(tmx1::kMagnitudeIsLevel - (8u << 23)));
}

// A run of levels comes out as the level of each sample, whether the run has samples below the
// threshold or not.
TEST(ExactRewrites, LevelsOfARunAreEachSamplesLevel) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> loud(-1.0f, 1.0f);
    const float nearZero[] = {0.0f, -0.0f, 1e-45f, -3e-39f, 1e-20f, -4e-13f, 1e-12f};
    for (int run = 0; run < 200; ++run) {
        const int n = 1 + run % 64;
        std::vector<float> x(static_cast<std::size_t>(n)), lev(x.size());
        for (float& sample : x)
            sample = loud(random) * (run % 3 == 0 ? 1e-9f : 1.0f);
        if (run % 2 == 1)
            x[static_cast<std::size_t>(run) % x.size()] = nearZero[run % 7];
        tmx1::levels(x.data(), lev.data(), n);
        for (std::size_t i = 0; i < x.size(); ++i)
            ASSERT_EQ(lev[i], tmx1::level(x[i])) << "run " << run << ", sample " << x[i];
    }
}

// The running mean's quotient through the reciprocal, against the division, for a count and sum.
void expectQuotient(double sum, std::uint32_t count) {
    const tmx1::StereoPair sums{_mm_set_pd(sum * 0.75, sum)};
    const __m128 viaReciprocal =
        tmx1::metering::dividedByCount(sums, static_cast<double>(count), 1.0 / static_cast<double>(count));
    float lanes[4];
    _mm_storeu_ps(lanes, viaReciprocal);
    ASSERT_EQ(lanes[0], static_cast<float>(sum / count)) << sum << " / " << count;
    ASSERT_EQ(lanes[1], static_cast<float>(sum * 0.75 / count)) << sum * 0.75 << " / " << count;
}

TEST(ExactRewrites, RunningMeanThroughTheReciprocalRoundsLikeTheDivision) {
    std::mt19937_64 random(12);
    std::uniform_real_distribution<double> mantissa(1.0, 2.0);
    std::uniform_int_distribution<int> exponent(-140, 127);
    // Counts of every meter period up to 384 kHz, with sums across the float range.
    for (std::uint32_t count = 1; count <= 38400; count += (count < 5000 ? 1 : 7)) {
        for (int k = 0; k < 8; ++k)
            expectQuotient(std::ldexp(mantissa(random), exponent(random)), count);
        // Quotients within a few units of a double from a float rounding boundary (halfway
        // between two floats): there a plain reciprocal goes wrong now and then.
        const float q = static_cast<float>(std::ldexp(mantissa(random), exponent(random) / 2));
        const double halfway = (static_cast<double>(q) + std::nextafter(q, FLT_MAX)) / 2.0;
        for (int units = -3; units <= 3; ++units) {
            double target = halfway;
            for (int u = 0; u < std::abs(units); ++u)
                target = std::nextafter(target, units < 0 ? 0.0 : DBL_MAX);
            expectQuotient(target * count, count);
        }
    }
    // Halfway between two float subnormals, where floats are evenly spaced and the boundaries sit
    // elsewhere in a double's bits.
    std::uniform_int_distribution<int> subnormal(1, (1 << 23) - 2);
    for (std::uint32_t count = 3; count <= 4800; count += 3) {
        const double halfway = std::ldexp(subnormal(random) + 0.5, -149);
        for (double target : {halfway, std::nextafter(halfway, 0.0), std::nextafter(halfway, 1.0)})
            expectQuotient(target * count, count);
    }
    // The extremes: the smallest level squared, float subnormals, the largest float.
    for (std::uint32_t count : {1u, 3u, 4410u, 4800u})
        for (double sum : {1e-40, 1.4e-45 * 3, 1.1754943508222875e-38 * count, 3.4028234663852886e38 * count,
                           3.4028235677973366e38 * count})
            expectQuotient(sum, count);
}

TEST(ExactRewrites, CentredNoiseIsTheNoiseOfTheSameState) {
    for (std::uint32_t state : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0x80000001u, 0xFFFFFFFFu})
        EXPECT_EQ(tmx1::dither::noiseCentred(state), tmx1::dither::noise(state)) << state;
    // Every 997th state: 4.3 million of them, spread over the whole range.
    for (std::uint64_t state = 0; state <= 0xFFFFFFFFu; state += 997)
        ASSERT_EQ(tmx1::dither::noiseCentred(static_cast<std::uint32_t>(state)),
                  tmx1::dither::noise(static_cast<std::uint32_t>(state)))
            << state;
}

TEST(ExactRewrites, JumpAheadGivesTheSequenceOneStepAtATime) {
    constexpr tmx1::dither::JumpAhead<64> jumps{};
    std::mt19937 random(3);
    for (int seed = 0; seed < 1000; ++seed) {
        const std::uint32_t start = seed < 2 ? static_cast<std::uint32_t>(seed) * 0xFFFFFFFFu : random();
        std::uint32_t state = start;
        for (std::size_t k = 0; k < 64; ++k) {
            state = tmx1::dither::next(state);
            ASSERT_EQ(jumps.multiplier[k] * start + jumps.increment[k], state) << start << " step " << k + 1;
        }
    }
}

// One operation on two floats, evaluated in double and rounded to float, against the float
// operation: the same for every pair, because a double holds a product of two floats exactly and
// more than twice a float's precision for a sum. Pairs from across the whole range, subnormals,
// zeros and the largest floats included.
TEST(ExactRewrites, OneOperationOnTwoFloatsInDoubleRoundsToTheFloatOperation) {
    std::mt19937 random(5);
    std::uniform_int_distribution<std::uint32_t> anyBits(0, 0x7F7FFFFFu);
    const float edges[] = {0.0f, -0.0f, FLT_MIN, FLT_TRUE_MIN, 3e-8f, -3e-8f, 1.0f, FLT_MAX, -FLT_MAX, 1e-20f};
    auto check = [](float a, float b) {
        ASSERT_EQ(a + b, static_cast<float>(static_cast<double>(a) + b)) << a << " + " << b;
        ASSERT_EQ(a * b, static_cast<float>(static_cast<double>(a) * b)) << a << " * " << b;
    };
    for (float a : edges)
        for (float b : edges)
            check(a, b);
    for (int k = 0; k < 2000000; ++k) {
        float a = floatFromBits(anyBits(random)), b = floatFromBits(anyBits(random));
        if (k % 2)
            b = -b;
        // Sums are hardest when the two are close in size: half the pairs share an exponent region.
        if (k % 4 < 2)
            b = std::ldexp(std::fabs(b) / std::ldexp(1.0f, std::ilogb(b)), std::ilogb(a) - (k % 30)) *
                (k % 8 < 4 ? 1.0f : -1.0f);
        check(a, b);
    }
}

} // namespace
