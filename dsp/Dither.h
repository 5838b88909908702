// The dither generator: one 32-bit linear congruential sequence for the whole process, shared by
// every instance. Each instance reads the state at the start of a block, advances a local copy per
// sample and stores it back at the end, so the audio thread never waits on another instance.
#pragma once

#include <atomic>
#include <cstdint>

namespace tmx1::dither {

std::atomic<std::uint32_t>& sharedState();

constexpr std::uint32_t next(std::uint32_t state) { return state * 134775813u + 1u; }

// Uniform in [0, 1) from a state, mapped to the noise added to both channels of a frame.
inline float noise(std::uint32_t state) {
    const double u = static_cast<double>(state) / 4294967296.0;
    return static_cast<float>((u - 0.5) * 6e-8);
}

// Seeds the sequence from the clock; called whenever an effect is created.
void seedFromClock();

// Tests set the state to reproduce a run.
void setStateForTesting(std::uint32_t state);

} // namespace tmx1::dither
