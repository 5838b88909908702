// The signal state one block works on. processBlock copies it out of the effect at the block start
// and back at the end: as locals that nothing else can reach, the compiler keeps the states in
// registers, where as members of the effect they would have to be reloaded after every store to the
// host's output buffers (which might, for all the compiler knows, overlap the effect).
#pragma once

#include "plugin/APlugin.h"

namespace tmx1 {

struct BlockState {
    // parameter ramps (currentValue and its ramp)
    std::array<float, kNumParams> current;
    std::array<float, kNumParams> target;
    std::array<float, kNumParams> step;
    std::array<std::uint16_t, kNumParams> count;
    std::uint16_t remaining;

    // what the block reads but does not change
    int releaseType;
    bool pdeOn, linked, autoGainOn, curveDirty;
    float preCoef, preCoefFast, fastReleaseCoef, pdeCoef, smoothCoef, optoCoef, brickCoef;
    const float* gainCurve;

    // release stages, PDE envelopes, smoothers and brick-wall gains
    ReleaseChannel left, right;

    // look-ahead delay lines (the effect's own arrays) and their positions
    float* delayL;
    float* delayR;
    std::uint8_t delayWrite;
    std::uint8_t lookahead;

    std::uint32_t dither;

    // metering, only while the editor is open
    bool metering;
    std::array<float, kNumMeters> meters;
    float meanSqL, meanSqR, peakSqL, peakSqR;
    std::uint32_t meterCount, meterPeriod;
    float meterCoef;
    std::atomic<std::uint8_t>* ocLatched;
    std::atomic<std::uint8_t>* ocAckRequest;
};

// The metering step at the end of every sample (dsp/Metering.cpp): ldL/ldR are the delayed input
// levels, gL/gR the final gains.
void meterStep(BlockState& s, float ldL, float ldR, float gL, float gR, float makeUp, float outputGain);

} // namespace tmx1
