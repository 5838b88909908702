// The block loop's single-frame path: the last few frames of a ramp, whose settings change from
// frame to frame, and a lone frame (a block of one).
//
// Only the signal path's own translation units include this (see dsp/FrameSteps.h).
#pragma once

#include "dsp/ChunkPasses.h"

namespace tmx1::path {

// With True Peak on: the estimate around the sample the newest one (at `write`) lags, from the line's
// samples, into the peak line beside it. It takes values, not the carried state: a reference to that
// would keep the block loop from holding it in registers.
[[gnu::noinline]] inline float estimateAround(const TruePeakEstimator* estimator, const float* line,
                                              float* peakLine, std::uint8_t write) {
    constexpr int kRead = TruePeakEstimator::historyFrames() + 1;
    float window[kRead];
    for (int m = 0; m < kRead; ++m)
        window[m] = line[static_cast<std::uint8_t>(write - (kRead - 1) + m)];
    float peak = 0.0f;
    estimator->peaksAround(window + kRead - 1, &peak, 1);
    peakLine[write] = peak * kTruePeakMargin;
    return peakLine[write];
}

// One frame alone: the steps of a chunk's passes without their loops, whose set-up would cost more
// than the frame. No chunk is on its way meanwhile. It must give what the
// chunk passes give: blocks of one frame take it for every frame, and
// AgainstItself.RampsGiveTheSameSamplesWhateverTheBlockSizeAndLoopCopy and
// AgainstTheModel.EveryBlockSizeFromOneFrameUp compare those with chunks and with the model.
template <int type, bool linked>
TMX1_SAMPLE_STEP void runFrame(CarriedState& c, Chunk& chunk, MeterChunk& meters, const MeterSettings& mk,
                               const PathSettings& k, const float* inL, const float* inR, float* outL,
                               float* outR, bool accumulate, bool metering) {
    DelayState& d = c.delay;
    d.dither = dither::next(d.dither);
    const float noise = dither::noiseCentred(d.dither);
    const float xL = sanitize(*inL) + noise, xR = sanitize(*inR) + noise;
    d.write = static_cast<std::uint8_t>(d.write + 1);
    const auto read = static_cast<std::uint8_t>(d.write - d.lookahead);
    d.lineL[d.write] = xL;
    d.lineR[d.write] = xR;
    const float dL = d.lineL[read], dR = d.lineR[read];
    float levL, levR, ldL, ldR;
    if (d.truePeak != nullptr) [[unlikely]] {
        levL = level(estimateAround(d.truePeak, d.lineL, d.peakLineL, d.write));
        levR = level(estimateAround(d.truePeak, d.lineR, d.peakLineR, d.write));
        const auto peakRead = static_cast<std::uint8_t>(d.write - d.peakLookahead);
        ldL = level(d.peakLineL[peakRead]);
        ldR = level(d.peakLineR[peakRead]);
    } else {
        levL = level(xL);
        levR = level(xR);
        ldL = level(dL);
        ldR = level(dR);
    }
    float bwL = ldL;
    if constexpr (linked) {
        levL = levL > levR ? levL : levR;
        bwL = ldL > ldR ? ldL : ldR;
    }
    const auto gainOf = [&](ReleaseState& release, SmootherState& smoother, float lev, float brickLevel) {
        const float staticGain = staticGainAt(lev, k.gainCurve, k.curveDirty, k.threshold, k.knee);
        return smoothedGain(smoother, releaseStep<type>(release, staticGain, k.release), brickLevel, k);
    };
    const float gL = gainOf(c.releaseL, c.smoothL, levL, bwL);
    const float gR = linked ? gL : gainOf(c.releaseR, c.smoothR, levR, ldR);
    if (metering) {
        // their inputs are made exactly as for a chunk
        chunk.ldL[0] = ldL;
        chunk.ldR[0] = ldR;
        chunk.gL[0] = gL;
        chunk.gR[0] = gR;
        meterInputChunk<false>(c.meter, mk, SameSettings{k}, 1, chunk, meters);
        drainMeters(c.meter, mk, meters);
    }
    const auto yL = static_cast<float>(D(dL * gL) * k.makeUp * k.outputGain);
    const auto yR = static_cast<float>(D(dR * gR) * k.makeUp * k.outputGain);
    *outL = accumulate ? *outL + yL : yL;
    *outR = accumulate ? *outR + yR : yR;
}

} // namespace tmx1::path
