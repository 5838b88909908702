// The state the signal path owns: everything the host's audio thread carries from sample to sample
// and from block to block, held by the compressor as one member. What another thread also touches (the
// parameter values and their change flags, the sample rate, the release type that the parameter
// display names, the six meters, the over-compression latch and its acknowledgement, the editor's
// closed flag, the process-wide dither generator) is not here: the compressor keeps those apart, as
// atomics.
//
// Units: levels are linear amplitudes (1.0 = full scale), gains linear factors (1.0 = no reduction),
// times seconds, counts samples; a retention c(T) is what a release stage keeps of its distance per
// sample, a weight a(T) = 1 - c(T) is what a smoother takes of its input. All values are 32-bit
// floats unless a type is given.
//
// Writers, all on the audio thread or while it does not process: "control" is the control update at
// a block's start (applyParameterChanges; a parameter's name, as in "1.0 on PDE", means the work
// done there when that parameter changes); "block" the block loop, which copies what it carries
// into locals at the block's start (dsp/BlockState.h) and back at its end; "rate" the rate constants
// (resume after a rate change, and construction, so that early audio is sane); "suspend" the host
// switching the effect off. Nothing here resets at a block boundary.
//
//   field                  unit              meaning; who writes it; when it resets
//   --- parameter ramps, indexed by ParamIndex
//   targetValue[10]        mapped units      each parameter's mapped value (Release: its retention);
//                                            control
//   currentValue[10]       mapped units      the ramped value the path reads; control, block; 0.0 at
//                                            creation, the target on the first block
//   rampStep[10]           per sample        increment of each running ramp; control
//   rampCount[10]          samples, u16      samples left in each ramp; control, block
//   rampRemaining          samples, u16      samples left in the newest ramp: the ramps step only
//                                            while it is not 0; control, block
//   rampLength             samples, u16      100 ms; rate
//   firstBlock             flag              the next block takes every value without a ramp; set at
//                                            creation, cleared by control
//   --- static curve
//   curveDirty             flag              gainCurve is stale (Threshold or Knee changed): the
//                                            formula serves until no ramp runs; control
//   gainCurve[2002]        gain              static gain at input levels j * 0.001; control, rebuilt
//                                            when the curve is dirty and no ramp runs
//   --- release type (control, on a Release Type change; the pre-stages only for a type that has them)
//   releaseType            0..4              the type the release cascade runs
//   preTime, preTimeFast   s                 the type's pre-stage time constants, slow and fast
//   preCoef, preCoefFast   retention         their coefficients
//   --- rate constants (rate)
//   fastReleaseCoef        retention, 2 ms   the release PDE moves towards in a transient
//   pdeCoef                weight, 100 ms    averaging of the PDE envelope
//   smoothCoef             weight, 0.1 ms    each pole of the gain smoother
//   optoCoef               retention, 45 ms  Opto's parallel stage
//   brickCoef              retention, 1 ms   the brick-wall's release
//   lookahead              samples, u16      0.5 ms look-ahead; only its low 8 bits index the lines
//   meterPeriod            samples, i32      100 ms over-compression period
//   meterCoef              weight, 200 ms    meter decay (with e, not 0.368)
//   --- per channel: channelL, channelR (ChannelState); the right rests while Stereo Link is on
//   stage[6]               gain              release stages s1..s6; block; 1.0 on a new Release Type
//   releaseCoef            retention         main release for the next sample; block (PDE), Release
//   preCoef                retention         pre-stage release for the next sample; block (PDE),
//                                            Release Type
//   pdeEnv                 gain              slow (100 ms) average of the gain, for PDE; block; 1.0
//                                            when PDE is switched
//   smooth[3]              gain              three-pole gain smoother; block; 1.0 by suspend
//   brick                  gain              brick-wall gain; block; 1.0 when Brick-Wall is switched
//   --- look-ahead delay
//   delayL, delayR[256]    sample            the dithered input, a line per channel; block; 0.0 by
//                                            suspend
//   delayWrite             index, u8         position of the newest sample, wrapping 255 to 0; block;
//                                            0 by suspend
//   --- true peak
//   truePeakOn             flag              the detector's levels are true peaks; control (True Peak)
//   truePeak               estimator         the interpolation filter; its points per interval: rate
//   peakLineL, peakLineR[256]  level         beside each delay line, the true peak around the sample
//                                            aroundLatencyFrames() before, with kTruePeakMargin; block, while True Peak is
//                                            on; made from the delay lines when it is switched on; 0.0
//                                            by suspend
//   --- metering (block, only while the editor is open; 0 by suspend)
//   meanSqL, meanSqR       level^2           mean of the squared input level over the running period
//   peakSqL, peakSqR       level^2           largest squared gain-reduced level (before make-up and
//                                            output gain) in the running period
//   meterCount             samples, u32      samples counted in the running period
//   --- processing
//   loopWidth              LoopWidth         which copy of the block loop runs: the widest the
//                                            processor has, set at creation (tests choose others)
#pragma once

#include "dsp/LoopWidth.h"
#include "dsp/ParameterTable.h"
#include "dsp/TruePeakEstimator.h"

#include <array>
#include <cstdint>

namespace tmx1 {

// One channel of the gain's chain from frame to frame (fields in the table above).
struct ChannelState {
    std::array<float, 6> stage{};
    float releaseCoef = 0.0f;
    float preCoef = 0.0f;
    float pdeEnv = 0.0f;
    std::array<float, 3> smooth{};
    float brick = 0.0f;

    bool operator==(const ChannelState&) const = default;
};

constexpr int kGainCurvePoints = 2002;
// What the true-peak estimates the signal path keeps are raised by (0.1 dB): the peaks the estimator
// misses between its points, and those the gain's own steps add, stay under the ceiling.
constexpr float kTruePeakMargin = 1.0116f;
constexpr int kDelayLength = 256; // the write position wraps as a byte does

struct AudioState {
    // parameter ramps
    std::array<float, kNumParams> targetValue{};
    std::array<float, kNumParams> currentValue{};
    std::array<float, kNumParams> rampStep{};
    std::array<std::uint16_t, kNumParams> rampCount{};
    std::uint16_t rampRemaining = 0;
    std::uint16_t rampLength = 0;
    std::uint8_t firstBlock = 1;

    // static curve
    std::uint8_t curveDirty = 0;
    std::array<float, kGainCurvePoints> gainCurve{};

    // release type
    std::int32_t releaseType = 0;
    float preTime = 0.0f, preTimeFast = 0.0f;
    float preCoef = 0.0f, preCoefFast = 0.0f;

    // rate constants
    float fastReleaseCoef = 0.0f, pdeCoef = 0.0f, smoothCoef = 0.0f, optoCoef = 0.0f, brickCoef = 0.0f;
    std::uint16_t lookahead = 0;
    std::int32_t meterPeriod = 0;
    float meterCoef = 0.0f;

    // per channel
    ChannelState channelL, channelR;

    // look-ahead delay
    std::array<float, kDelayLength> delayL{}, delayR{};
    std::uint8_t delayWrite = 0;

    // true peak
    std::uint8_t truePeakOn = 0;
    TruePeakEstimator truePeak;
    std::array<float, kDelayLength> peakLineL{}, peakLineR{};

    // metering
    float meanSqL = 0.0f, meanSqR = 0.0f;
    float peakSqL = 0.0f, peakSqR = 0.0f;
    std::uint32_t meterCount = 0;

    // processing
    LoopWidth loopWidth = widestLoops();

    // Equal in every field: two runs that should leave the same state can be compared whole.
    bool operator==(const AudioState&) const = default;
};

} // namespace tmx1
