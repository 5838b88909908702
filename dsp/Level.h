// The detector's level of a sample: its magnitude, kept above zero so that nothing downstream
// divides by zero.
#pragma once

#include "dsp/BlockState.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace tmx1 {

constexpr double kLevelFloor = 1e-20;

TMX1_SAMPLE_STEP float level(float x) { return static_cast<float>(std::fabs(static_cast<double>(x)) + kLevelFloor); }

// From 2^-40 up, the floor is a fifth of half a unit in the last place of a sample's magnitude as a
// float or less, so the sum rounds back to the magnitude: the level is the magnitude itself (proven
// over the nearest binades and sampled above by ExactRewrites.LevelIsTheMagnitudeFromTheThresholdUp).
// The dither keeps all but about one sample in 30 000 above it, even in silence.
constexpr std::uint32_t kMagnitudeIsLevel = (127u - 40u) << 23; // 2^-40 as float bits

TMX1_SAMPLE_STEP std::uint32_t magnitudeBits(float x) { return std::bit_cast<std::uint32_t>(x) & 0x7FFFFFFFu; }

// The levels of n samples. A chunk clear of the samples nearest zero, whose level needs the sum,
// takes a single bit operation per sample (ExactRewrites.LevelsOfARunAreEachSamplesLevel).
TMX1_SAMPLE_STEP void levels(const float* __restrict x, float* __restrict lev, int n) {
    std::uint32_t nearZero = 0;
    for (int i = 0; i < n; ++i)
        nearZero |= magnitudeBits(x[i]) < kMagnitudeIsLevel;
    if (nearZero == 0) [[likely]] {
        for (int i = 0; i < n; ++i)
            lev[i] = std::bit_cast<float>(magnitudeBits(x[i]));
    } else {
        for (int i = 0; i < n; ++i)
            lev[i] = level(x[i]);
    }
}

} // namespace tmx1
