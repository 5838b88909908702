// The static gain curve: the gain for an input level, given the threshold and the knee factor.
// The signal path evaluates it directly while Threshold or Knee glide and above the table's range;
// the table is built from the same function.
#pragma once

#include <cmath>

namespace tmx1 {

// 1 - ((level - T) / level)^K above the knee start T = threshold / K, unity at and below it.
inline float curveGain(float level, float threshold, float knee) {
    const auto kneeStart = static_cast<float>(static_cast<double>(threshold) / knee);
    if (level <= kneeStart)
        return 1.0f;
    return static_cast<float>(1.0 -
                              std::exp(knee * std::log((static_cast<double>(level) - kneeStart) / level)));
}

} // namespace tmx1
