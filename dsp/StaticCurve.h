// The static gain curve: the gain for an input level, given the threshold and the knee factor.
// The signal path evaluates it directly while Threshold or Knee glide and above the table's range;
// the table is built from the same function.
#pragma once

#include <cmath>

namespace tmx1 {

// Where the knee starts: threshold / K, rounded to float.
inline float kneeStartOf(float threshold, float knee) {
    return static_cast<float>(static_cast<double>(threshold) / knee);
}

// 1 - ((level - T) / level)^K above the knee start T = threshold / K, unity at and below it.
inline float curveGain(float level, float threshold, float knee) {
    const float kneeStart = kneeStartOf(threshold, knee);
    if (level <= kneeStart)
        return 1.0f;
    return static_cast<float>(1.0 -
                              std::exp(knee * std::log((static_cast<double>(level) - kneeStart) / level)));
}

// Where a level falls in the gain table, whose entries are 0.001 apart: level / 0.001 rounded to
// float. For every level the table is used for (up to 2.0), the float product with 1000 rounds to
// the same float as that quotient (proven for every such level by
// ExactRewrites.TablePositionIsTheRoundedQuotientForEveryLevelTheTableServes): a multiplication the
// processor does in a fraction of a division's time.
inline float tablePosition(float level) { return level * 1000.0f; }

} // namespace tmx1
