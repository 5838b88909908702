// The compressor signal path, one stereo frame at a time: ramp step, dither, detection, look-ahead
// delay, static curve, release cascade, program-dependent release, gain smoother, brick-wall, stereo
// link, make-up and output gain, then the meters. Every expression is evaluated in double and
// rounded to float where its result is stored.
#include "dsp/BlockState.h"
#include "dsp/Dither.h"
#include "dsp/MeterStep.h"
#include "dsp/ReleaseRecurrence.h"
#include "dsp/StaticCurve.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace tmx1 {

namespace {

using D = double;
using State = BlockState;

constexpr double kLevelFloor = 1e-20; // keeps levels above zero: no division by zero downstream
constexpr float kTableTop = 2.0f;     // levels above this use the formula, not the table

// One pole of the gain smoother.
inline float smooth(float x, float s, float a) { return static_cast<float>(s + (D(x) - s) * a); }

inline float level(float x) { return static_cast<float>(std::fabs(D(x)) + kLevelFloor); }

// A sample the host should never send (NaN, infinity) would leave the state non-finite for good.
// Tested on the exponent bits: cheaper than the library's classification.
inline float sanitize(float x) {
    return (std::bit_cast<std::uint32_t>(x) & 0x7F800000u) != 0x7F800000u ? x : 0.0f;
}

inline bool isOn(float value) { return value > 0.5f; }

// Off the loop's fast path: a call here keeps exp and log out of the per-sample code.
[[gnu::noinline]] float curveFormula(float lev, float threshold, float knee) {
    return curveGain(lev, threshold, knee);
}

TMX1_SAMPLE_STEP float staticGainAt(float lev, const float* curve, bool curveDirty, float threshold,
                                    float knee) {
    if (curveDirty || lev > kTableTop)
        return curveFormula(lev, threshold, knee);
    const auto position = static_cast<float>(D(lev) / 0.001);
    const auto i = static_cast<std::size_t>(position);
    const D fraction = D(position) - static_cast<D>(i);
    return static_cast<float>((1.0 - fraction) * curve[i] + fraction * curve[i + 1]);
}

// Auto-Gain's make-up follows the threshold in use; it only changes while a ramp runs.
TMX1_SAMPLE_STEP void updateMakeUp(State& s) {
    s.makeUp = s.autoGainOn ? static_cast<float>(1.0 / s.current[kThreshold]) : 1.0f;
}

TMX1_SAMPLE_STEP void stepRamps(State& s) {
    for (std::size_t i = 0; i < kNumParams; ++i) {
        if (s.count[i] == 0)
            continue;
        // The last step lands exactly on the target, whatever rounding the steps collected.
        s.current[i] = s.count[i] == 1 ? s.target[i] : static_cast<float>(D(s.current[i]) + s.step[i]);
        --s.count[i];
    }
    --s.remaining;
    updateMakeUp(s);
}

TMX1_SAMPLE_STEP float channelGain(const State& s, ReleaseChannel& ch, float staticGain, float brickLevel) {
    float g = staticGain;
    g = releaseCascade(s, ch, g);
    updateReleaseCoefs(s, ch, g);
    ch.smooth[0] = smooth(g, ch.smooth[0], s.smoothCoef);
    ch.smooth[1] = smooth(ch.smooth[0], ch.smooth[1], s.smoothCoef);
    ch.smooth[2] = smooth(ch.smooth[1], ch.smooth[2], s.smoothCoef);
    g = ch.smooth[2];
    if (isOn(s.current[kBrickWall])) {
        auto t = static_cast<float>(D(s.current[kThreshold]) / std::fabs(D(brickLevel) * g));
        if (t > 1.0f)
            t = 1.0f; // also catches an infinite ratio from a gain that underflowed to zero
        ch.brick = follow(t, ch.brick, s.brickCoef);
        g = static_cast<float>(D(g) * ch.brick);
    }
    return g;
}

struct Frame {
    float left, right;
};

// What a frame's input gives before any state that carries from frame to frame is touched (the
// dither and the delay line aside): the delayed samples, the levels and the static gains.
struct Detection {
    float dL, dR;           // delayed samples
    float ldL, ldR;         // their levels
    float bwL, bwR;         // brick-wall levels (left takes both channels when linked)
    float staticL, staticR; // static gains (right unused when linked)
};

template <bool linked> TMX1_SAMPLE_STEP Detection detect(State& s, float inL, float inR) {
    Detection d;
    // dither
    s.dither = dither::next(s.dither);
    const float noise = dither::noise(s.dither);
    const auto xL = static_cast<float>(D(sanitize(inL)) + noise);
    const auto xR = static_cast<float>(D(sanitize(inR)) + noise);

    // detection on the undelayed signal
    float levL = level(xL);
    const float levR = level(xR);

    // look-ahead delay
    s.delayWrite = static_cast<std::uint8_t>(s.delayWrite + 1);
    const auto read = static_cast<std::uint8_t>(s.delayWrite - s.lookahead);
    s.delayL[s.delayWrite] = xL;
    s.delayR[s.delayWrite] = xR;
    d.dL = s.delayL[read];
    d.dR = s.delayR[read];
    d.ldL = level(d.dL);
    d.ldR = level(d.dR);
    d.bwL = d.ldL;
    d.bwR = d.ldR;

    // with Stereo Link the left side sees both channels and the right copies its gain
    if constexpr (linked) {
        levL = levL > levR ? levL : levR;
        d.bwL = d.bwL > d.bwR ? d.bwL : d.bwR;
    }
    const float threshold = s.current[kThreshold], knee = s.current[kKnee];
    d.staticL = staticGainAt(levL, s.gainCurve, s.curveDirty, threshold, knee);
    d.staticR = linked ? 1.0f : staticGainAt(levR, s.gainCurve, s.curveDirty, threshold, knee);
    return d;
}

template <bool linked, bool metering> TMX1_SAMPLE_STEP Frame applyGains(State& s, const Detection& d) {
    const float gL = channelGain(s, s.left, d.staticL, d.bwL);
    const float gR = linked ? gL : channelGain(s, s.right, d.staticR, d.bwR);

    // make-up and output gain
    const float makeUp = s.makeUp;
    const float outputGain = s.current[kGain];
    const auto yL = static_cast<float>(D(d.dL) * gL);
    const auto yR = static_cast<float>(D(d.dR) * gR);

    if constexpr (metering)
        meterStep(s, StereoPair::of(d.ldL, d.ldR), StereoPair::of(gL, gR), makeUp, outputGain);

    return {static_cast<float>(D(yL) * makeUp * outputGain), static_cast<float>(D(yR) * makeUp * outputGain)};
}

} // namespace

float APlugin::staticGain(float lev) const {
    return staticGainAt(lev, gainCurve.data(), curveDirty != 0, currentValue[kThreshold],
                        currentValue[kKnee]);
}

void APlugin::loadBlockState(BlockState& s) {
    s.current = currentValue;
    s.target = targetValue;
    s.step = rampStep;
    s.count = rampCount;
    s.remaining = rampRemaining;

    s.releaseType = releaseType.load(std::memory_order_relaxed);
    s.hasPreStages = s.releaseType == kOpto || s.releaseType == kSmooth2 || s.releaseType == kSmooth1;
    s.pdeOn = isOn(paramValue[kPde].load(std::memory_order_relaxed));
    s.linked = isOn(paramValue[kStereoLink].load(std::memory_order_relaxed));
    s.autoGainOn = isOn(paramValue[kAutoGain].load(std::memory_order_relaxed));
    s.curveDirty = curveDirty != 0;
    updateMakeUp(s);
    s.preCoef = preCoef;
    s.preCoefFast = preCoefFast;
    s.fastReleaseCoef = fastReleaseCoef;
    s.pdeCoef = pdeCoef;
    s.smoothCoef = smoothCoef;
    s.optoCoef = optoCoef;
    s.brickCoef = brickCoef;
    s.gainCurve = gainCurve.data();

    s.left = channelL;
    s.right = channelR;
    s.delayL = delayL.data();
    s.delayR = delayR.data();
    s.delayWrite = delayWrite;
    s.lookahead = static_cast<std::uint8_t>(lookahead & 0xFF);
    s.dither = dither::sharedState().load(std::memory_order_relaxed);

    s.metering = editorClosed.load(std::memory_order_relaxed) == 0;
    const auto meter = [this](int k) {
        return meters[static_cast<std::size_t>(k)].load(std::memory_order_relaxed);
    };
    s.meterIn = StereoPair::of(meter(kMeterInL), meter(kMeterInR));
    s.meterOut = StereoPair::of(meter(kMeterOutL), meter(kMeterOutR));
    s.meterCp = StereoPair::of(meter(kMeterCpL), meter(kMeterCpR));
    s.meanSq = StereoPair::of(meanSqL, meanSqR);
    s.peakSq = StereoPair::of(peakSqL, peakSqR);
    s.meterCount = meterCount;
    s.meterPeriod = static_cast<std::uint32_t>(meterPeriod);
    s.meterCoef = StereoPair::splat(meterCoef);
    s.ocLatched = &ocLatched;
    s.ocAckRequest = &ocAckRequest;
}

void APlugin::storeBlockState(const BlockState& s) {
    currentValue = s.current;
    rampCount = s.count;
    rampRemaining = s.remaining;
    channelL = s.left;
    channelR = s.right;
    delayWrite = s.delayWrite;
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
    meanSqL = s.meanSq.left();
    meanSqR = s.meanSq.right();
    peakSqL = s.peakSq.left();
    peakSqR = s.peakSq.right();
    meterCount = s.meterCount;
}

namespace {

// Frames are taken in chunks: first the detection of every frame of the chunk, then the gains.
// The detection has no long chains from frame to frame, so it runs at full speed on its own, and
// the gain loop, with less in each frame, overlaps more of consecutive frames' work.
constexpr Int32 kChunkFrames = 32;

template <bool accumulate> TMX1_SAMPLE_STEP void write(float* out, Int32 i, float y) {
    if constexpr (accumulate)
        out[i] += y;
    else
        out[i] = y;
}

// One loop per combination of the switches that change what a sample does, so that none of them is
// tested per sample.
template <bool accumulate, bool linked, bool metering>
void runFrames(State& s, float** inputs, float** outputs, Int32 sampleFrames) {
    const float* inL = inputs[0];
    const float* inR = inputs[1];
    float* outL = outputs[0];
    float* outR = outputs[1];
    Int32 i = 0;
    // While ramps run, what a frame reads changes from frame to frame: one frame at a time.
    for (; i < sampleFrames && s.remaining > 0; ++i) {
        stepRamps(s);
        const Frame y = applyGains<linked, metering>(s, detect<linked>(s, inL[i], inR[i]));
        write<accumulate>(outL, i, y.left);
        write<accumulate>(outR, i, y.right);
    }
    std::array<Detection, kChunkFrames> chunk;
    while (i < sampleFrames) {
        const Int32 frames = std::min(kChunkFrames, sampleFrames - i);
        // Every input of the chunk is read before its first output is written: hosts may process
        // in place.
        for (Int32 k = 0; k < frames; ++k)
            chunk[static_cast<std::size_t>(k)] = detect<linked>(s, inL[i + k], inR[i + k]);
        for (Int32 k = 0; k < frames; ++k) {
            const Frame y = applyGains<linked, metering>(s, chunk[static_cast<std::size_t>(k)]);
            write<accumulate>(outL, i + k, y.left);
            write<accumulate>(outR, i + k, y.right);
        }
        i += frames;
    }
}

} // namespace

template <bool accumulate> void APlugin::processBlock(float** inputs, float** outputs, Int32 sampleFrames) {
    applyParameterChanges();
    if (sampleFrames <= 0 || inputs == nullptr || outputs == nullptr || inputs[0] == nullptr ||
        inputs[1] == nullptr || outputs[0] == nullptr || outputs[1] == nullptr)
        return;

    BlockState s;
    loadBlockState(s);
    if (s.linked)
        s.metering ? runFrames<accumulate, true, true>(s, inputs, outputs, sampleFrames)
                   : runFrames<accumulate, true, false>(s, inputs, outputs, sampleFrames);
    else
        s.metering ? runFrames<accumulate, false, true>(s, inputs, outputs, sampleFrames)
                   : runFrames<accumulate, false, false>(s, inputs, outputs, sampleFrames);
    storeBlockState(s);
}

void APlugin::process(float** inputs, float** outputs, Int32 sampleFrames) {
    processBlock<true>(inputs, outputs, sampleFrames);
}

void APlugin::processReplacing(float** inputs, float** outputs, Int32 sampleFrames) {
    processBlock<false>(inputs, outputs, sampleFrames);
}

} // namespace tmx1
