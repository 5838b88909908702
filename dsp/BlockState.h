// The signal state one block works on: its copy of the audio state (dsp/AudioState.h, whose table
// documents each field under the same name) and what it reads of the state the compressor shares with
// other threads. processBlock copies it out of the compressor at the block start and back at the end: as
// locals that nothing else can reach, the compiler keeps the states in registers, where as members of
// the compressor they would have to be reloaded after every store to the host's output buffers (which
// might, for all the compiler knows, overlap the compressor).
#pragma once

#include "dsp/AudioState.h"
#include "dsp/StereoPair.h"

#include <atomic>

// The per-sample steps must be inlined into the block loop: a call would take the block's state
// out of registers.
#if defined(_MSC_VER)
#define TMX1_SAMPLE_STEP __forceinline
#else
#define TMX1_SAMPLE_STEP [[gnu::always_inline]] inline
#endif

namespace tmx1 {

struct BlockState {
    // parameter ramps, carried
    std::array<float, kNumParams> currentValue;
    std::array<float, kNumParams> targetValue;
    std::array<float, kNumParams> rampStep;
    std::array<std::uint16_t, kNumParams> rampCount;
    std::uint16_t rampRemaining;

    // what the block reads but does not change
    int releaseType;
    float makeUp; // 1 / threshold with Auto-Gain on, otherwise 1
    bool pdeOn, linked, autoGainOn, curveDirty;
    LoopWidth loopWidth;
    float preCoef, preCoefFast, fastReleaseCoef, pdeCoef, smoothCoef, optoCoef, brickCoef;
    const float* gainCurve;

    // release stages, PDE envelopes, smoothers and brick-wall gains, carried
    ChannelState left, right;

    // look-ahead delay lines (the compressor's own arrays) and their positions
    float* delayL;
    float* delayR;
    std::uint8_t delayWrite;
    std::uint8_t lookahead; // the audio's delay: the look-ahead's low 8 bits, and the estimates' lag

    // true peak: the estimator (null while the levels are sample magnitudes), its lines beside the
    // delay lines, and how far back the delayed frame's estimate lies in them (the look-ahead)
    const TruePeakEstimator* truePeak;
    float* peakLineL;
    float* peakLineR;
    std::uint8_t peakLookahead;

    std::uint32_t dither; // the shared generator's state, advanced by the block

    // metering, only while the editor is open: the six meters, the sums and the period, carried
    bool metering;
    StereoPair meterIn, meterOut, meterCp;
    StereoPair meanSq, peakSq;
    std::uint32_t meterCount, meterPeriod;
    StereoPair meterCoef;
    std::atomic<std::uint8_t>* ocLatched;
    std::atomic<std::uint8_t>* ocAckRequest;
};

} // namespace tmx1
