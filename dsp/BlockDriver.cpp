// The block driver: what a format calls for a block. It takes the parameter changes, copies the
// signal state into the block's working copy (dsp/BlockState.h), runs the copy of the block loop
// that the release type, Stereo Link, metering and the processor call for (dsp/BlockLoop.h), and
// copies the state back.
#include "dsp/BlockLoops.h"
#include "dsp/ChunkPasses.h"
#include "dsp/Dither.h"
#include "dsp/FrameSteps.h"
#include "dsp/Compressor.h"

namespace tmx1 {

namespace path {

void truePeakLevels(const TruePeakEstimator& estimator, bool linked, int n, Chunk& c) {
    estimator.peaksAround(c.xL, c.eL, n);
    estimator.peaksAround(c.xR, c.eR, n);
    for (int i = 0; i < n; ++i) {
        c.eL[i] *= kTruePeakMargin;
        c.eR[i] *= kTruePeakMargin;
    }
    if (linked)
        detectionLevels<true>(c.eL, c.eR, n, c);
    else
        detectionLevels<false>(c.eL, c.eR, n, c);
}

} // namespace path

using path::isOn;

float Compressor::staticGain(float lev) const {
    return path::staticGainAt(lev, audio.gainCurve.data(), audio.curveDirty != 0,
                              audio.currentValue[kThreshold], audio.currentValue[kKnee]);
}

void Compressor::loadBlockState(BlockState& s) {
    const AudioState& a = audio;
    s.currentValue = a.currentValue;
    s.targetValue = a.targetValue;
    s.rampStep = a.rampStep;
    s.rampCount = a.rampCount;
    s.rampRemaining = a.rampRemaining;

    s.releaseType = a.releaseType;
    s.pdeOn = isOn(paramValue[kPde].load(std::memory_order_relaxed));
    s.linked = isOn(paramValue[kStereoLink].load(std::memory_order_relaxed));
    s.autoGainOn = isOn(paramValue[kAutoGain].load(std::memory_order_relaxed));
    s.curveDirty = a.curveDirty != 0;
    s.loopWidth = a.loopWidth;
    path::updateMakeUp(s);
    s.preCoef = a.preCoef;
    s.preCoefFast = a.preCoefFast;
    s.fastReleaseCoef = a.fastReleaseCoef;
    s.pdeCoef = a.pdeCoef;
    s.smoothCoef = a.smoothCoef;
    s.optoCoef = a.optoCoef;
    s.brickCoef = a.brickCoef;
    s.gainCurve = a.gainCurve.data();

    s.left = a.channelL;
    s.right = a.channelR;
    // the lines themselves, not a copy: the block writes into them
    s.delayL = audio.delayL.data();
    s.delayR = audio.delayR.data();
    s.delayWrite = a.delayWrite;
    // With True Peak on the audio waits for the estimates too.
    const bool truePeak = a.truePeakOn != 0 && truePeakFits(a.lookahead);
    s.lookahead = static_cast<std::uint8_t>((a.lookahead + (truePeak ? kTruePeakFrames : 0)) & 0xFF);
    audio.truePeak.setWidth(a.loopWidth);
    s.truePeak = truePeak ? &audio.truePeak : nullptr;
    s.peakLineL = audio.peakLineL.data();
    s.peakLineR = audio.peakLineR.data();
    s.peakLookahead = static_cast<std::uint8_t>(a.lookahead & 0xFF);
    s.dither = dither::sharedState().load(std::memory_order_relaxed);

    s.metering = editorClosed.load(std::memory_order_relaxed) == 0;
    const auto meter = [this](int k) {
        return meters[static_cast<std::size_t>(k)].load(std::memory_order_relaxed);
    };
    s.meterIn = StereoPair::of(meter(kMeterInL), meter(kMeterInR));
    s.meterOut = StereoPair::of(meter(kMeterOutL), meter(kMeterOutR));
    s.meterCp = StereoPair::of(meter(kMeterCpL), meter(kMeterCpR));
    s.meanSq = StereoPair::of(a.meanSqL, a.meanSqR);
    s.peakSq = StereoPair::of(a.peakSqL, a.peakSqR);
    s.meterCount = a.meterCount;
    s.meterPeriod = static_cast<std::uint32_t>(a.meterPeriod);
    s.meterCoef = StereoPair::splat(a.meterCoef);
    s.ocLatched = &ocLatched;
    s.ocAckRequest = &ocAckRequest;
}

// Only what a block changes goes back: the targets, steps and coefficients stay as the control
// update left them.
void Compressor::storeBlockState(const BlockState& s) {
    AudioState& a = audio;
    a.currentValue = s.currentValue;
    a.rampCount = s.rampCount;
    a.rampRemaining = s.rampRemaining;
    a.channelL = s.left;
    a.channelR = s.right;
    a.delayWrite = s.delayWrite;
    dither::sharedState().store(s.dither, std::memory_order_relaxed);
    if (!s.metering)
        return;
    const auto publish = [this](int k, float value) {
        meters[static_cast<std::size_t>(k)].store(value, std::memory_order_relaxed);
    };
    publish(kMeterInL, s.meterIn.left());
    publish(kMeterInR, s.meterIn.right());
    publish(kMeterOutL, s.meterOut.left());
    publish(kMeterOutR, s.meterOut.right());
    publish(kMeterCpL, s.meterCp.left());
    publish(kMeterCpR, s.meterCp.right());
    a.meanSqL = s.meanSq.left();
    a.meanSqR = s.meanSq.right();
    a.peakSqL = s.peakSq.left();
    a.peakSqR = s.peakSq.right();
    a.meterCount = s.meterCount;
}

template <bool accumulate>
void Compressor::processBlock(const float* const* inputs, float* const* outputs, std::int32_t frames) {
    applyParameterChanges();
    if (frames <= 0 || inputs == nullptr || outputs == nullptr || inputs[0] == nullptr ||
        inputs[1] == nullptr || outputs[0] == nullptr || outputs[1] == nullptr)
        return;

    BlockState s;
    loadBlockState(s);
    path::blockRoutine(s.releaseType, s.linked, s.loopWidth)(
        s, inputs[0], inputs[1], outputs[0], outputs[1], frames, accumulate);
    storeBlockState(s);
}

void Compressor::process(const float* const* inputs, float* const* outputs, std::int32_t frames) {
    processBlock<false>(inputs, outputs, frames);
}

void Compressor::processAccumulating(const float* const* inputs, float* const* outputs, std::int32_t frames) {
    processBlock<true>(inputs, outputs, frames);
}

} // namespace tmx1
