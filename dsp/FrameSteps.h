// The steps of the signal path that the chunk passes (dsp/ChunkPasses.h) and the single-frame path
// (dsp/SingleFrame.h) share, and the state the block loop carries in locals. Every expression is
// evaluated in double and rounded to float where its result is stored.
//
// Only the signal path's own translation units include this: dsp/CMakeLists.txt compiles them with
// the options its arithmetic needs (no fused multiply-add, whatever the processor offers).
#pragma once

#ifndef TMX1_SIGNAL_PATH_UNIT
#error "per-frame arithmetic: compile this unit with the signal path's options (dsp/CMakeLists.txt)"
#endif

#include "dsp/BlockState.h"
#include "dsp/MeterStep.h"
#include "dsp/ReleaseRecurrence.h"
#include "dsp/StaticCurve.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace tmx1::path {

using D = double;

constexpr float kTableTop = 2.0f; // levels above this use the formula, not the table

// One pole of the gain smoother.
TMX1_SAMPLE_STEP float smooth(float x, float s, float a) { return static_cast<float>(s + (D(x) - s) * a); }

// A sample the host should never send (NaN, infinity) would leave the state non-finite for good; so
// would a finite one near the float's top (3.4e38), whose level overflows on its way through the
// gains. Both are taken as silence: everything from 2^100 (1.27e30, some 600 dB over full scale) up,
// while the path's arithmetic holds for levels up to there. Tested on the exponent bits: cheaper than
// the library's classification, and it vectorises.
TMX1_SAMPLE_STEP float sanitize(float x) {
    constexpr std::uint32_t kAbsurdExponent = (127u + 100u) << 23;
    return (std::bit_cast<std::uint32_t>(x) & 0x7F800000u) < kAbsurdExponent ? x : 0.0f;
}

inline bool isOn(float value) { return value > 0.5f; }

// Off the loop's fast path: a call here keeps exp and log out of the per-sample code.
[[gnu::noinline]] inline float curveFormula(float lev, float threshold, float knee) {
    return curveGain(lev, threshold, knee);
}

// The table's gain for a level of at most kTableTop, interpolated between its neighbours. The
// position is the quotient the table's spacing asks for (tablePosition), and its fraction is exact in
// float: the position and its whole part are within a factor of two of each other.
TMX1_SAMPLE_STEP float tableGain(float lev, const float* curve) {
    const float position = tablePosition(lev);
    const auto i = static_cast<std::int32_t>(position);
    const D fraction = position - static_cast<float>(i);
    return static_cast<float>((1.0 - fraction) * curve[i] + fraction * curve[i + 1]);
}

inline float staticGainAt(float lev, const float* curve, bool curveDirty, float threshold, float knee) {
    if (curveDirty || lev > kTableTop)
        return curveFormula(lev, threshold, knee);
    return tableGain(lev, curve);
}

// Auto-Gain's make-up follows the threshold in use; it only changes while a ramp runs.
inline void updateMakeUp(BlockState& s) {
    s.makeUp = s.autoGainOn ? static_cast<float>(1.0 / s.currentValue[kThreshold]) : 1.0f;
}

// One parameter's ramp step. The last step lands exactly on the target, whatever rounding the steps
// collected.
TMX1_SAMPLE_STEP void stepRamp(BlockState& s, std::size_t i) {
    s.currentValue[i] =
        s.rampCount[i] == 1 ? s.targetValue[i] : static_cast<float>(D(s.currentValue[i]) + s.rampStep[i]);
    --s.rampCount[i];
}

// The per-sample ramp step, while ramps run.
inline void stepRamps(BlockState& s) {
    for (std::size_t i = 0; i < kNumParams; ++i)
        if (s.rampCount[i] != 0)
            stepRamp(s, i);
    --s.rampRemaining;
    updateMakeUp(s);
}

// What a frame reads but does not change: the same for a whole chunk, read afresh for every frame
// while a ramp runs.
struct PathSettings {
    ReleaseSettings release;
    float smoothCoef, brickCoef;
    float threshold, knee;
    float makeUp, outputGain;
    bool brickOn, curveDirty;
    const float* gainCurve;

    static PathSettings of(const BlockState& s) {
        return {ReleaseSettings::of(s), s.smoothCoef, s.brickCoef,           s.currentValue[kThreshold],
                s.currentValue[kKnee],  s.makeUp,     s.currentValue[kGain], isOn(s.currentValue[kBrickWall]),
                s.curveDirty,           s.gainCurve};
    }
};

// The settings the frames of a chunk read: one for them all, or, while ramps run, each frame its own
// (made for the chunk ahead of the frames that read them, each step rounded as stepRamps rounds it).
// The passes read them as settings[i] for frame i.
// The output gains are also laid out one array each, so that the loops making a chunk's outputs and
// meter inputs run at full vector width.
struct SameSettings {
    const PathSettings& k;
    static constexpr bool perFrame = false;
    TMX1_SAMPLE_STEP const PathSettings& operator[](int) const { return k; }
    TMX1_SAMPLE_STEP float makeUp(int) const { return k.makeUp; }
    TMX1_SAMPLE_STEP float outputGain(int) const { return k.outputGain; }
};

struct FrameSettings {
    const PathSettings* k;
    const float* makeUps;
    const float* outputGains;
    static constexpr bool perFrame = true;
    TMX1_SAMPLE_STEP const PathSettings& operator[](int i) const { return k[i]; }
    TMX1_SAMPLE_STEP float makeUp(int i) const { return makeUps[i]; }
    TMX1_SAMPLE_STEP float outputGain(int i) const { return outputGains[i]; }
};

// The settings of the next n frames of a ramp, each as stepRamps and PathSettings::of would give it
// for its frame: only the parameters that glide are stepped, and only what they feed is written into
// the frame's copy. n is at most the frames the ramps have left.
inline void rampSettings(BlockState& s, int n, PathSettings* frames, float* makeUps, float* outputGains) {
    std::size_t gliding[kNumParams];
    std::size_t count = 0;
    for (std::size_t i = 0; i < kNumParams; ++i)
        if (s.rampCount[i] != 0)
            gliding[count++] = i;
    // The make-up follows the threshold; while that stands still, so does the make-up.
    const bool thresholdGlides = s.rampCount[kThreshold] != 0;
    PathSettings k = PathSettings::of(s);
    for (int f = 0; f < n; ++f) {
        for (std::size_t j = 0; j < count; ++j)
            if (s.rampCount[gliding[j]] != 0)
                stepRamp(s, gliding[j]);
        --s.rampRemaining;
        if (thresholdGlides)
            updateMakeUp(s);
        k.release.release = s.currentValue[kRelease];
        k.threshold = s.currentValue[kThreshold];
        k.knee = s.currentValue[kKnee];
        k.makeUp = s.makeUp;
        k.outputGain = s.currentValue[kGain];
        k.brickOn = isOn(s.currentValue[kBrickWall]);
        frames[f] = k;
        makeUps[f] = k.makeUp;
        outputGains[f] = k.outputGain;
    }
}

// One channel's smoother and brick-wall state, as the block loop carries it.
struct SmootherState {
    float s1, s2, s3;
    float brick;

    static SmootherState of(const ChannelState& ch) {
        return {ch.smooth[0], ch.smooth[1], ch.smooth[2], ch.brick};
    }
    void storeTo(ChannelState& ch) const {
        ch.smooth = {s1, s2, s3};
        ch.brick = brick;
    }
};

// Gain smoother and brick-wall of one channel, from the release cascade's gain.
// The brick-wall's level is read only while it is on: with it off, and no meters, no level was made.
TMX1_SAMPLE_STEP float smoothedGain(SmootherState& c, float g, const float& brickLevel,
                                    const PathSettings& k) {
    c.s1 = smooth(g, c.s1, k.smoothCoef);
    c.s2 = smooth(c.s1, c.s2, k.smoothCoef);
    c.s3 = smooth(c.s2, c.s3, k.smoothCoef);
    g = c.s3;
    if (k.brickOn) {
        auto t = static_cast<float>(D(k.threshold) / std::fabs(D(brickLevel) * g));
        if (t > 1.0f)
            t = 1.0f; // also catches an infinite ratio from a gain that underflowed to zero
        c.brick = follow(t, c.brick, k.brickCoef);
        g = static_cast<float>(D(g) * c.brick);
    }
    return g;
}

// The dither generator and the look-ahead delay (the effect's own lines), as the block loop carries
// them; with True Peak on, also the estimator and its lines, written at the same places.
struct DelayState {
    std::uint32_t dither;
    float* lineL;
    float* lineR;
    std::uint8_t write;
    std::uint8_t lookahead;
    const TruePeakEstimator* truePeak;
    float* peakLineL;
    float* peakLineR;
    std::uint8_t peakLookahead;
};

// The block loop's carried state, as locals of the block function: loaded from the block's state at
// its start and stored back at its end.
struct CarriedState {
    ReleaseState releaseL, releaseR;
    SmootherState smoothL, smoothR;
    MeterState meter;
    DelayState delay;

    static CarriedState of(const BlockState& s) {
        return {ReleaseState::of(s.left),  ReleaseState::of(s.right),
                SmootherState::of(s.left), SmootherState::of(s.right),
                MeterState::of(s),
                {s.dither, s.delayL, s.delayR, s.delayWrite, s.lookahead, s.truePeak, s.peakLineL, s.peakLineR,
                 s.peakLookahead}};
    }
    void storeTo(BlockState& s) const {
        releaseL.storeTo(s.left);
        releaseR.storeTo(s.right);
        smoothL.storeTo(s.left);
        smoothR.storeTo(s.right);
        if (s.metering)
            meter.storeTo(s);
        s.delayWrite = delay.write;
        s.dither = delay.dither;
    }
};

} // namespace tmx1::path
