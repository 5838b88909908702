#pragma once

#include <array>

namespace tmx1 {

// What one channel of the signal path carries from sample to sample (the right channel rests while
// Stereo Link is on).
struct ReleaseChannel {
    std::array<float, 6> stage{};  // release-stage gains s1..s6
    float releaseCoef = 0.0f;      // main release coefficient for the next sample
    float preCoef = 0.0f;          // pre-stage coefficient for the next sample
    float pdeEnv = 0.0f;           // slow average of the gain, for PDE
    std::array<float, 3> smooth{}; // three-pole gain smoother
    float brick = 0.0f;            // brick-wall gain
};

} // namespace tmx1
