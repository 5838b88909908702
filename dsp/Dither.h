// The dither generator: one 32-bit linear congruential sequence for the whole process, shared by
// every instance. Each instance reads the state at the start of a block, advances a local copy per
// sample and stores it back at the end, so the audio thread never waits on another instance.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace tmx1::dither {

std::atomic<std::uint32_t>& sharedState();

constexpr std::uint32_t kMultiplier = 134775813u;
constexpr std::uint32_t kIncrement = 1u;

constexpr std::uint32_t next(std::uint32_t state) { return state * kMultiplier + kIncrement; }

// Uniform in [0, 1) from a state, mapped to the noise added to both channels of a frame.
inline float noise(std::uint32_t state) {
    const double u = static_cast<double>(state) / 4294967296.0;
    return static_cast<float>((u - 0.5) * 6e-8);
}

// The same noise, computed from the state as a signed offset from the middle of the range: u - 0.5
// is exactly (state - 2^31) / 2^32, and a signed conversion vectorises where an unsigned one does not.
// Scaling by a power of two is exact and commutes with rounding (nothing here comes near the
// subnormals), so one multiplication by 6e-8 / 2^32 rounds to what the two in turn do (proven over
// the whole range of states by ExactRewrites.CentredNoiseIsTheNoiseOfTheSameState).
inline float noiseCentred(std::uint32_t state) {
    const auto centred = static_cast<std::int32_t>(state ^ 0x80000000u);
    return static_cast<float>(static_cast<double>(centred) * (6e-8 / 4294967296.0));
}

// The states `1..count` steps after a state s are multiplier[k] * s + increment[k] (k = steps - 1):
// a chunk's states computed side by side, without the one-step chain from frame to frame
// (ExactRewrites.JumpAheadGivesTheSequenceOneStepAtATime).
template <int count> struct JumpAhead {
    std::array<std::uint32_t, count> multiplier{}, increment{};

    constexpr JumpAhead() {
        std::uint32_t a = 1u, c = 0u;
        for (int k = 0; k < count; ++k) {
            a *= kMultiplier;
            c = c * kMultiplier + kIncrement;
            multiplier[static_cast<std::size_t>(k)] = a;
            increment[static_cast<std::size_t>(k)] = c;
        }
    }
};

// Seeds the sequence from the clock; called whenever an effect is created.
void seedFromClock();

// Tests set the state to reproduce a run.
void setStateForTesting(std::uint32_t state);

} // namespace tmx1::dither
