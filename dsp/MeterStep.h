// The metering step at the end of every sample, while the editor is open: input, gain-reduction
// and output levels with a 200 ms decay, and the over-compression indicator, latched until the
// editor has shown it. Both channels run side by side.
#pragma once

#include "dsp/BlockState.h"

namespace tmx1 {

namespace metering {

// Peak follower: jumps up, decays towards lower values.
inline StereoPair peak(StereoPair x, StereoPair v, StereoPair coef) {
    return select(greater(x, v), x, stored(v + (x - v) * coef));
}

// Minimum follower: jumps down, recovers towards higher values.
inline StereoPair floorFollow(StereoPair g, StereoPair v, StereoPair coef) {
    return select(less(g, v), g, stored(v + (g - v) * coef));
}

} // namespace metering

// ld: the delayed input levels; g: the final gains of the sample.
TMX1_SAMPLE_STEP void meterStep(BlockState& s, StereoPair ld, StereoPair g, float makeUp, float outputGain) {
    using metering::floorFollow;
    using metering::peak;
    s.meterIn = peak(ld, s.meterIn, s.meterCoef);
    s.meterCp = floorFollow(g, s.meterCp, s.meterCoef);
    const StereoPair o = stored(ld * g); // gain-reduced levels
    s.meterOut =
        peak(stored(o * StereoPair::splat(makeUp) * StereoPair::splat(outputGain)), s.meterOut, s.meterCoef);

    // running mean square of the input over the meter period
    const StereoPair n = StereoPair::splat(s.meterCount);
    s.meterCount += 1;
    const StereoPair scaled = stored(s.meanSq * n);
    s.meanSq = stored((ld * ld + scaled) / StereoPair::splat(s.meterCount));
    s.peakSq = max(stored(o * o), s.peakSq);

    if (s.meterCount != s.meterPeriod)
        return;
    // End of a period: over-compressed when the compressed peak fell below the input's RMS level.
    s.meterCount = 0;
    if (anyLane(greater(s.meanSq, s.peakSq)))
        s.ocLatched->store(1, std::memory_order_relaxed);
    else if (s.ocAckRequest->load(std::memory_order_relaxed) != 0) {
        s.ocAckRequest->store(0, std::memory_order_relaxed);
        s.ocLatched->store(0, std::memory_order_relaxed);
    }
    s.peakSq = StereoPair::splat(0.0);
}

} // namespace tmx1
