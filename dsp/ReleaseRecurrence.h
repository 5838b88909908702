// The loop-carried heart of the signal path: the release cascade of the chosen release type and the
// program-dependent release that sets the coefficients of the next sample. Each sample's gain
// depends on the previous sample's result through these steps, so they set the floor of what a
// sample can cost; the processing loop and the floor benchmark share this one definition.
//
// The state is a small struct of named floats, not the effect's arrays: held in a local of the
// block loop it lives in registers for the whole block, and the release type is a template argument,
// so a cascade is straight-line code with one predicted branch per stage.
#pragma once

#include "dsp/BlockState.h"

namespace tmx1 {

// Release stage: instant attack, exponential recovery with retention c.
TMX1_SAMPLE_STEP float follow(float x, float s, float c) {
    return x > s ? static_cast<float>(x + (static_cast<double>(s) - x) * c) : x;
}

// One channel's release stages and the coefficients they use for the next sample.
struct ReleaseState {
    float s1, s2, s3, s4, s5, s6;
    float releaseCoef, preCoef;
    float pdeEnv;

    static ReleaseState of(const ChannelState& ch) {
        const auto& st = ch.stage;
        return {st[0], st[1], st[2], st[3], st[4], st[5], ch.releaseCoef, ch.preCoef, ch.pdeEnv};
    }
    void storeTo(ChannelState& ch) const {
        ch.stage = {s1, s2, s3, s4, s5, s6};
        ch.releaseCoef = releaseCoef;
        ch.preCoef = preCoef;
        ch.pdeEnv = pdeEnv;
    }
};

// What the cascade and the program-dependent release read but do not change during a frame.
struct ReleaseSettings {
    float release; // the Release knob's coefficient (currentValue)
    float preCoef, preCoefFast, fastReleaseCoef, pdeCoef, optoCoef;
    bool pdeOn;

    static ReleaseSettings of(const BlockState& s) {
        return {s.currentValue[kRelease], s.preCoef, s.preCoefFast, s.fastReleaseCoef, s.pdeCoef, s.optoCoef, s.pdeOn};
    }
};

// The cascade of release type `type` fed with the static gain g; answers its result.
template <int type> TMX1_SAMPLE_STEP float releaseCascade(ReleaseState& r, float g, float optoCoef) {
    const float rel = r.releaseCoef;
    const float pre = r.preCoef;
    if constexpr (type == kOpto) {
        r.s1 = follow(g, r.s1, pre);
        r.s2 = follow(r.s1, r.s2, pre);
        r.s3 = follow(r.s2, r.s3, rel);
        r.s4 = follow(r.s2, r.s4, optoCoef); // parallel to s3, fed from s2
        return static_cast<float>(0.5 * r.s3 + 0.5 * static_cast<double>(r.s4));
    } else if constexpr (type == kPumper) {
        r.s1 = follow(g, r.s1, rel);
        r.s2 = follow(r.s1, r.s2, rel);
        r.s3 = follow(r.s2, r.s3, rel);
        r.s4 = follow(r.s3, r.s4, rel);
        r.s5 = follow(r.s4, r.s5, rel);
        r.s6 = follow(r.s5, r.s6, rel);
        return r.s6;
    } else if constexpr (type == kSmooth2) {
        r.s1 = follow(g, r.s1, pre);
        r.s2 = follow(r.s1, r.s2, pre);
        r.s3 = follow(r.s2, r.s3, pre);
        r.s4 = follow(r.s3, r.s4, pre);
        r.s5 = follow(r.s4, r.s5, pre);
        r.s6 = follow(r.s5, r.s6, rel);
        return r.s6;
    } else if constexpr (type == kSmooth1) {
        r.s1 = follow(g, r.s1, pre);
        r.s2 = follow(r.s1, r.s2, pre);
        r.s3 = follow(r.s2, r.s3, rel);
        return r.s3;
    } else {
        static_assert(type == kClassic);
        r.s1 = follow(g, r.s1, rel);
        return r.s1;
    }
}

// The coefficients the cascade uses for the next sample, from its result g.
template <int type> TMX1_SAMPLE_STEP void updateReleaseCoefs(ReleaseState& r, float g, const ReleaseSettings& k) {
    if (!k.pdeOn) {
        r.releaseCoef = k.release;
        r.preCoef = k.preCoef;
        return;
    }
    // Below its own 100 ms average the gain is in a transient: move towards the fast release.
    r.pdeEnv = static_cast<float>(r.pdeEnv + (static_cast<double>(g) - r.pdeEnv) * k.pdeCoef);
    if (!(g < r.pdeEnv)) {
        // At or above its average the weight is 0 and the knob's release applies as it is (0 * fast
        // + 1 * release is release exactly). Taking this as a branch keeps the division off the
        // sample-to-sample path in the common case. Compared with the formula, PDE on and off, by
        // AgainstTheModel.EveryReleaseTypeAndSwitchSampleBySample.
        r.releaseCoef = k.release;
        if constexpr (hasPreStages(type))
            r.preCoef = k.preCoef;
        return;
    }
    auto t = static_cast<float>(1.0 - static_cast<double>(g) / r.pdeEnv);
    t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    t = static_cast<float>(static_cast<double>(t) * t * t);
    r.releaseCoef = static_cast<float>(static_cast<double>(t) * k.fastReleaseCoef + (1.0 - t) * k.release);
    // Types without pre-stages never read the pre-stage coefficient, and a change to a type with
    // pre-stages sets it afresh: only they need it kept.
    if constexpr (hasPreStages(type))
        r.preCoef = static_cast<float>(static_cast<double>(t) * k.preCoefFast + (1.0 - t) * k.preCoef);
}

// One frame of the recurrence: the cascade, then the next sample's coefficients; answers the gain.
template <int type> TMX1_SAMPLE_STEP float releaseStep(ReleaseState& r, float staticGain, const ReleaseSettings& k) {
    const float g = releaseCascade<type>(r, staticGain, k.optoCoef);
    updateReleaseCoefs<type>(r, g, k);
    return g;
}

} // namespace tmx1
