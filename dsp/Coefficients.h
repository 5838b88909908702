// Time constants to per-sample coefficients, and the rounding used wherever a real becomes an
// integer. Computed in double, stored by the caller as float.
#pragma once

#include <cmath>

namespace tmx1 {

// Retention per sample: after T seconds, 0.368 of a step is left.
inline float retentionCoef(double seconds, double sampleRate) {
    return static_cast<float>(std::exp(std::log(0.368) / (sampleRate * seconds)));
}

// Weight of the new input in a one-pole smoother of time constant T.
inline float smoothingCoef(double seconds, double sampleRate) {
    return static_cast<float>(1.0 - std::exp(std::log(0.368) / (sampleRate * seconds)));
}

// Nearest integer, halves to the even neighbour, whatever rounding mode the host has set.
inline double nearestEven(double x) {
    const double below = std::floor(x);
    const double fraction = x - below;
    if (fraction > 0.5)
        return below + 1.0;
    if (fraction < 0.5)
        return below;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

} // namespace tmx1
