// The compressor signal path, one stereo frame at a time: ramp step, dither, detection, look-ahead
// delay, static curve, release cascade, program-dependent release, gain smoother, brick-wall, stereo
// link, make-up and output gain, then the meters. Every expression is evaluated in double and
// rounded to float where its result is stored.
#include "dsp/Dither.h"
#include "plugin/APlugin.h"

#include <cmath>

namespace tmx1 {

namespace {

using D = double;

constexpr double kLevelFloor = 1e-20; // keeps levels above zero: no division by zero downstream
constexpr float kTableTop = 2.0f;     // levels above this use the formula, not the table

// Release stage: instant attack, exponential recovery with retention c.
inline float follow(float x, float s, float c) { return x > s ? static_cast<float>(x + (D(s) - x) * c) : x; }

// One pole of the gain smoother.
inline float smooth(float x, float s, float a) { return static_cast<float>(s + (D(x) - s) * a); }

inline float level(float x) { return static_cast<float>(std::fabs(D(x)) + kLevelFloor); }

// A sample the host should never send (NaN, infinity) would leave the state non-finite for good.
inline float sanitize(float x) { return std::isfinite(x) ? x : 0.0f; }

bool isOn(float value) { return value > 0.5f; }

} // namespace

float APlugin::staticGain(float lev) const {
    if (curveDirty != 0 || lev > kTableTop) {
        const float knee = currentValue[kKnee];
        const auto kneeStart = static_cast<float>(D(currentValue[kThreshold]) / knee);
        if (lev <= kneeStart)
            return 1.0f;
        return static_cast<float>(1.0 - std::exp(knee * std::log((D(lev) - kneeStart) / lev)));
    }
    const auto position = static_cast<float>(D(lev) / 0.001);
    const auto i = static_cast<std::size_t>(position);
    const D fraction = D(position) - static_cast<D>(i);
    return static_cast<float>((1.0 - fraction) * gainCurve[i] + fraction * gainCurve[i + 1]);
}

float APlugin::releaseCascade(ReleaseChannel& ch, float g) {
    auto& s = ch.stage;
    const float rel = ch.releaseCoef;
    const float pre = ch.preCoef;
    switch (releaseType.load(std::memory_order_relaxed)) {
    case kOpto:
        s[0] = follow(g, s[0], pre);
        s[1] = follow(s[0], s[1], pre);
        s[2] = follow(s[1], s[2], rel);
        s[3] = follow(s[1], s[3], optoCoef); // parallel to s3, fed from s2
        return static_cast<float>(0.5 * s[2] + 0.5 * D(s[3]));
    case kPumper:
        s[0] = follow(g, s[0], rel);
        for (std::size_t k = 1; k < 6; ++k)
            s[k] = follow(s[k - 1], s[k], rel);
        return s[5];
    case kSmooth2:
        s[0] = follow(g, s[0], pre);
        for (std::size_t k = 1; k < 5; ++k)
            s[k] = follow(s[k - 1], s[k], pre);
        s[5] = follow(s[4], s[5], rel);
        return s[5];
    case kSmooth1:
        s[0] = follow(g, s[0], pre);
        s[1] = follow(s[0], s[1], pre);
        s[2] = follow(s[1], s[2], rel);
        return s[2];
    case kClassic:
        s[0] = follow(g, s[0], rel);
        return s[0];
    default:
        return g;
    }
}

void APlugin::updateReleaseCoefs(ReleaseChannel& ch, float g) {
    if (!isOn(paramValue[kPde].load(std::memory_order_relaxed))) {
        ch.releaseCoef = currentValue[kRelease];
        ch.preCoef = preCoef;
        return;
    }
    // Below its own 100 ms average the gain is in a transient: move towards the fast release.
    ch.pdeEnv = static_cast<float>(ch.pdeEnv + (D(g) - ch.pdeEnv) * pdeCoef);
    auto t = static_cast<float>(1.0 - D(g) / ch.pdeEnv);
    t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    t = static_cast<float>(D(t) * t * t);
    ch.releaseCoef = static_cast<float>(D(t) * fastReleaseCoef + (1.0 - t) * currentValue[kRelease]);
    ch.preCoef = static_cast<float>(D(t) * preCoefFast + (1.0 - t) * preCoef);
}

float APlugin::channelGain(ReleaseChannel& ch, float lev, float brickLevel) {
    float g = staticGain(lev);
    g = releaseCascade(ch, g);
    updateReleaseCoefs(ch, g);
    const float a = smoothCoef;
    ch.smooth[0] = smooth(g, ch.smooth[0], a);
    ch.smooth[1] = smooth(ch.smooth[0], ch.smooth[1], a);
    ch.smooth[2] = smooth(ch.smooth[1], ch.smooth[2], a);
    g = ch.smooth[2];
    if (isOn(currentValue[kBrickWall])) {
        auto t = static_cast<float>(D(currentValue[kThreshold]) / std::fabs(D(brickLevel) * g));
        if (t > 1.0f)
            t = 1.0f; // also catches an infinite ratio from a gain that underflowed to zero
        ch.brick = follow(t, ch.brick, brickCoef);
        g = static_cast<float>(D(g) * ch.brick);
    }
    return g;
}

APlugin::Frame APlugin::processSample(float inL, float inR, std::uint32_t& ditherState, MeterFrame* meter) {
    // parameter ramps
    if (rampRemaining > 0)
        stepRamps();

    // dither
    ditherState = dither::next(ditherState);
    const float noise = dither::noise(ditherState);
    const auto xL = static_cast<float>(D(sanitize(inL)) + noise);
    const auto xR = static_cast<float>(D(sanitize(inR)) + noise);

    // detection on the undelayed signal
    float levL = level(xL);
    const float levR = level(xR);

    // look-ahead delay
    delayWrite = static_cast<std::uint8_t>(delayWrite + 1);
    const auto read = static_cast<std::uint8_t>(delayWrite - static_cast<std::uint8_t>(lookahead & 0xFF));
    delayL[delayWrite] = xL;
    delayR[delayWrite] = xR;
    const float dL = delayL[read];
    const float dR = delayR[read];
    const float ldL = level(dL);
    const float ldR = level(dR);
    float bwL = ldL;
    const float bwR = ldR;

    // gains; with Stereo Link the left side sees both channels and the right copies its gain
    const bool linked = isOn(paramValue[kStereoLink].load(std::memory_order_relaxed));
    if (linked) {
        levL = levL > levR ? levL : levR;
        bwL = bwL > bwR ? bwL : bwR;
    }
    const float gL = channelGain(channelL, levL, bwL);
    const float gR = linked ? gL : channelGain(channelR, levR, bwR);

    // make-up and output gain
    const float makeUp = isOn(paramValue[kAutoGain].load(std::memory_order_relaxed))
                             ? static_cast<float>(1.0 / currentValue[kThreshold])
                             : 1.0f;
    const float outputGain = currentValue[kGain];
    const auto yL = static_cast<float>(D(dL) * gL);
    const auto yR = static_cast<float>(D(dR) * gR);

    if (meter != nullptr)
        meterStep(*meter, ldL, ldR, gL, gR, makeUp, outputGain);

    return {static_cast<float>(D(yL) * makeUp * outputGain), static_cast<float>(D(yR) * makeUp * outputGain)};
}

template <bool accumulate> void APlugin::processBlock(float** inputs, float** outputs, Int32 sampleFrames) {
    applyParameterChanges();
    if (sampleFrames <= 0 || inputs == nullptr || outputs == nullptr || inputs[0] == nullptr ||
        inputs[1] == nullptr || outputs[0] == nullptr || outputs[1] == nullptr)
        return;

    const bool metering = editorClosed.load(std::memory_order_relaxed) == 0;
    MeterFrame meter{};
    if (metering)
        for (std::size_t k = 0; k < kNumMeters; ++k)
            meter.value[k] = meters[k].load(std::memory_order_relaxed);
    std::uint32_t ditherState = dither::sharedState().load(std::memory_order_relaxed);

    const float* inL = inputs[0];
    const float* inR = inputs[1];
    float* outL = outputs[0];
    float* outR = outputs[1];
    for (Int32 i = 0; i < sampleFrames; ++i) {
        // both inputs are read before either output is written: hosts may process in place
        const Frame y = processSample(inL[i], inR[i], ditherState, metering ? &meter : nullptr);
        if constexpr (accumulate) {
            outL[i] += y.left;
            outR[i] += y.right;
        } else {
            outL[i] = y.left;
            outR[i] = y.right;
        }
    }

    dither::sharedState().store(ditherState, std::memory_order_relaxed);
    if (metering)
        for (std::size_t k = 0; k < kNumMeters; ++k)
            meters[k].store(meter.value[k], std::memory_order_relaxed);
}

void APlugin::process(float** inputs, float** outputs, Int32 sampleFrames) {
    processBlock<true>(inputs, outputs, sampleFrames);
}

void APlugin::processReplacing(float** inputs, float** outputs, Int32 sampleFrames) {
    processBlock<false>(inputs, outputs, sampleFrames);
}

} // namespace tmx1
