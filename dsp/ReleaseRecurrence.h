// The loop-carried heart of the signal path: the release cascade of the chosen release type and the
// program-dependent release that sets the coefficients of the next sample. Each sample's gain
// depends on the previous sample's result through these steps, so they set the floor of what a
// sample can cost; the processing loop and the floor benchmark share this one definition.
#pragma once

#include "dsp/BlockState.h"

namespace tmx1 {

// Release stage: instant attack, exponential recovery with retention c.
inline float follow(float x, float s, float c) {
    return x > s ? static_cast<float>(x + (static_cast<double>(s) - x) * c) : x;
}

TMX1_SAMPLE_STEP float releaseCascade(const BlockState& s, ReleaseChannel& ch, float g) {
    auto& st = ch.stage;
    const float rel = ch.releaseCoef;
    const float pre = ch.preCoef;
    switch (s.releaseType) {
    case kOpto:
        st[0] = follow(g, st[0], pre);
        st[1] = follow(st[0], st[1], pre);
        st[2] = follow(st[1], st[2], rel);
        st[3] = follow(st[1], st[3], s.optoCoef); // parallel to s3, fed from s2
        return static_cast<float>(0.5 * st[2] + 0.5 * static_cast<double>(st[3]));
    case kPumper:
        st[0] = follow(g, st[0], rel);
        for (std::size_t k = 1; k < 6; ++k)
            st[k] = follow(st[k - 1], st[k], rel);
        return st[5];
    case kSmooth2:
        st[0] = follow(g, st[0], pre);
        for (std::size_t k = 1; k < 5; ++k)
            st[k] = follow(st[k - 1], st[k], pre);
        st[5] = follow(st[4], st[5], rel);
        return st[5];
    case kSmooth1:
        st[0] = follow(g, st[0], pre);
        st[1] = follow(st[0], st[1], pre);
        st[2] = follow(st[1], st[2], rel);
        return st[2];
    case kClassic:
        st[0] = follow(g, st[0], rel);
        return st[0];
    default:
        return g;
    }
}

// The coefficients the cascade uses for the next sample.
TMX1_SAMPLE_STEP void updateReleaseCoefs(const BlockState& s, ReleaseChannel& ch, float g) {
    if (!s.pdeOn) {
        ch.releaseCoef = s.current[kRelease];
        ch.preCoef = s.preCoef;
        return;
    }
    // Below its own 100 ms average the gain is in a transient: move towards the fast release.
    ch.pdeEnv = static_cast<float>(ch.pdeEnv + (static_cast<double>(g) - ch.pdeEnv) * s.pdeCoef);
    if (!(g < ch.pdeEnv)) {
        // At or above its average the weight is 0 and the knob's release applies as it is. Taking
        // this as a branch keeps the division off the sample-to-sample path in the common case.
        ch.releaseCoef = s.current[kRelease];
        if (s.hasPreStages)
            ch.preCoef = s.preCoef;
        return;
    }
    auto t = static_cast<float>(1.0 - static_cast<double>(g) / ch.pdeEnv);
    t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    t = static_cast<float>(static_cast<double>(t) * t * t);
    ch.releaseCoef = static_cast<float>(static_cast<double>(t) * s.fastReleaseCoef + (1.0 - t) * s.current[kRelease]);
    // Types without pre-stages never read the pre-stage coefficient, and a change to a type with
    // pre-stages sets it afresh: only they need it kept.
    if (s.hasPreStages)
        ch.preCoef = static_cast<float>(static_cast<double>(t) * s.preCoefFast + (1.0 - t) * s.preCoef);
}

} // namespace tmx1
