// The compressor signal path: ramp step, dither, detection, look-ahead delay, static curve, release
// cascade, program-dependent release, gain smoother, brick-wall, stereo link, make-up and output
// gain, then the meters. Every expression is evaluated in double and rounded to float where its
// result is stored.
//
// How a block runs. Frames go through in chunks. First, short loops over the whole chunk do the
// work that carries nothing from frame to frame (dither, levels, look-ahead delay, static gains);
// the compiler vectorises them where it can. Then one loop runs what does carry: the release
// cascade and program-dependent release of each channel, their smoothers and brick-walls, and the
// meters. Those chains of consecutive frames overlap in the processor, limited by the longest, the
// cascade; the shorter ones overlap best when their inputs are ready, so the meters take the
// frames of the chunk before, and behind the long cascades the smoothers do too (chainStages).
// Last, the outputs of the chunk are made and handed to the host. The carried state lives in
// locals of the block function for the whole block, small structs of named floats the compiler
// keeps in registers: as members of the effect, or behind a reference, it would be stored and
// reloaded around every store to the host's buffers, which for all the compiler knows could overlap
// it. The release type, Stereo Link and metering are template arguments, so none of them is tested
// per sample.
#include "dsp/BlockState.h"
#include "dsp/Dither.h"
#include "dsp/Level.h"
#include "dsp/MeterStep.h"
#include "dsp/ReleaseRecurrence.h"
#include "dsp/StaticCurve.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

namespace tmx1 {

namespace {

using D = double;
using State = BlockState;

constexpr float kTableTop = 2.0f;     // levels above this use the formula, not the table

// Frames per chunk: enough for the per-chunk loops to run at full vector width, few enough that a
// chunk's buffers stay in the first-level cache.
constexpr int kChunkFrames = 64;

constexpr dither::JumpAhead<kChunkFrames> kDitherJumps{};

constexpr int kLineLength = 256; // look-ahead delay line; its write position wraps as a byte does

// One pole of the gain smoother.
TMX1_SAMPLE_STEP float smooth(float x, float s, float a) { return static_cast<float>(s + (D(x) - s) * a); }

// A sample the host should never send (NaN, infinity) would leave the state non-finite for good.
// Tested on the exponent bits: cheaper than the library's classification, and it vectorises.
TMX1_SAMPLE_STEP float sanitize(float x) {
    return (std::bit_cast<std::uint32_t>(x) & 0x7F800000u) != 0x7F800000u ? x : 0.0f;
}

inline bool isOn(float value) { return value > 0.5f; }

// Off the loop's fast path: a call here keeps exp and log out of the per-sample code.
[[gnu::noinline]] float curveFormula(float lev, float threshold, float knee) {
    return curveGain(lev, threshold, knee);
}

// The table's gain for a level of at most kTableTop, interpolated between its neighbours. The
// position's fraction is exact in float: the position and its whole part are within a factor of
// two of each other.
TMX1_SAMPLE_STEP float tableGain(float lev, const float* curve) {
    const float position = tablePosition(lev);
    const auto i = static_cast<std::int32_t>(position);
    const D fraction = position - static_cast<float>(i);
    return static_cast<float>((1.0 - fraction) * curve[i] + fraction * curve[i + 1]);
}

float staticGainAt(float lev, const float* curve, bool curveDirty, float threshold, float knee) {
    if (curveDirty || lev > kTableTop)
        return curveFormula(lev, threshold, knee);
    return tableGain(lev, curve);
}

// Auto-Gain's make-up follows the threshold in use; it only changes while a ramp runs.
void updateMakeUp(State& s) { s.makeUp = s.autoGainOn ? static_cast<float>(1.0 / s.current[kThreshold]) : 1.0f; }

void stepRamps(State& s) {
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

// What a frame reads but does not change: the same for a whole chunk, read afresh for every frame
// while a ramp runs.
struct PathSettings {
    ReleaseSettings release;
    float smoothCoef, brickCoef;
    float threshold, knee;
    float makeUp, outputGain;
    bool brickOn, curveDirty;
    const float* gainCurve;

    static PathSettings of(const State& s) {
        return {ReleaseSettings::of(s), s.smoothCoef,       s.brickCoef,
                s.current[kThreshold],  s.current[kKnee],   s.makeUp,
                s.current[kGain],       isOn(s.current[kBrickWall]), s.curveDirty,
                s.gainCurve};
    }
};

// One channel's smoother and brick-wall state, as the block loop carries it.
struct SmootherState {
    float s1, s2, s3;
    float brick;

    static SmootherState of(const ReleaseChannel& ch) { return {ch.smooth[0], ch.smooth[1], ch.smooth[2], ch.brick}; }
    void storeTo(ReleaseChannel& ch) const {
        ch.smooth = {s1, s2, s3};
        ch.brick = brick;
    }
};

// Gain smoother and brick-wall of one channel, from the release cascade's gain.
// The brick-wall's level is read only while it is on: with it off, and no meters, no level was made.
TMX1_SAMPLE_STEP float smoothedGain(SmootherState& c, float g, const float& brickLevel, const PathSettings& k) {
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

// The dither generator and the look-ahead delay (the effect's own lines), as the block loop carries them.
struct DelayState {
    std::uint32_t dither;
    float* lineL;
    float* lineR;
    std::uint8_t write;
    std::uint8_t lookahead;
};

// A chunk's frames on their way through the path.
struct Chunk {
    std::int32_t index[kChunkFrames];                  // table positions: whole part
    float fraction[kChunkFrames];                       // and fraction
    std::uint64_t pair[kChunkFrames]; // the table's values either side, the one below in the low half
    float* xL;                        // dithered inputs, in the block's signal run
    float* xR;
    float levL[kChunkFrames], levR[kChunkFrames]; // their levels (linked: the left's serves both)
    const float* dL; // delayed samples: the same run, `lookahead` places back
    const float* dR;
    float ldL[kChunkFrames], ldR[kChunkFrames]; // their levels
    float bwL[kChunkFrames];                    // brick-wall level, left (both when linked)
    float gL[kChunkFrames], gR[kChunkFrames];   // static gains, then the final gains (linked: left only)
};

// Frames of dithered input the block's signal run holds after the line's samples before them:
// eight chunks, after which its newest kLineLength samples move to its start.
constexpr int kRunFrames = 8 * kChunkFrames;

// Each channel's dithered samples of the block, in order, after the line's samples before the
// block: a chunk's delayed samples are its own inputs read `lookahead` places back, wherever the
// effect's line would wrap.
struct SignalRun {
    alignas(64) float left[kLineLength + kRunFrames];
    alignas(64) float right[kLineLength + kRunFrames];
    int end = 0; // where the next chunk's samples go; 0 until the block's first chunk starts the run
};

// What the meters take from a chunk's frames, left and right side by side.
struct MeterChunk {
    float level[2 * kChunkFrames], gain[2 * kChunkFrames];
    float output[2 * kChunkFrames], square[2 * kChunkFrames];
    float before[kChunkFrames];                         // the meter period's count before the frame
    double after[kChunkFrames], reciprocal[kChunkFrames]; // after it, and its reciprocal
    int frames;                                         // how many frames wait for the meters
};

// Dither and detection on the undelayed signal. The states of the chunk's frames come from the
// jump-ahead table, so the loop has no chain. The dither sum is a float addition: double carries
// more than twice float's precision, so rounding the exact sum to double and then to float gives the
// float that rounding it once would. With Stereo Link the left level is the larger of the two: a
// level grows with the magnitude, so that is the level of the larger magnitude, one level per frame
// instead of two.
template <bool linked>
TMX1_SAMPLE_STEP void ditherChunk(DelayState& d, const float* __restrict inL, const float* __restrict inR, int n,
                                  Chunk& c) {
    const std::uint32_t state = d.dither;
    float* __restrict xL = c.xL;
    float* __restrict xR = c.xR;
    for (int i = 0; i < n; ++i) {
        const std::uint32_t frameState = kDitherJumps.multiplier[static_cast<std::size_t>(i)] * state +
                                         kDitherJumps.increment[static_cast<std::size_t>(i)];
        const float noise = dither::noiseCentred(frameState);
        xL[i] = sanitize(inL[i]) + noise;
        xR[i] = sanitize(inR[i]) + noise;
    }
    if constexpr (linked) {
        for (int i = 0; i < n; ++i) // the right levels are not needed: their place holds the magnitudes
            c.levR[i] = std::bit_cast<float>(std::max(magnitudeBits(xL[i]), magnitudeBits(xR[i])));
        levels(c.levR, c.levL, n);
    } else {
        levels(xL, c.levL, n);
        levels(xR, c.levR, n);
    }
    d.dither = kDitherJumps.multiplier[static_cast<std::size_t>(n - 1)] * state +
               kDitherJumps.increment[static_cast<std::size_t>(n - 1)];
}

// The line's samples, oldest first, to the start of the signal run, and the run's newest
// kLineLength samples back into the line, whose newest sample is at `write`: once per block, where
// the line wraps round.
TMX1_SAMPLE_STEP void lineToRun(const float* line, std::uint8_t write, float* run) {
    const int oldest = (write + 1) & (kLineLength - 1);
    std::memcpy(run, line + oldest, sizeof(float) * static_cast<std::size_t>(kLineLength - oldest));
    std::memcpy(run + kLineLength - oldest, line, sizeof(float) * static_cast<std::size_t>(oldest));
}

TMX1_SAMPLE_STEP void runToLine(const float* newest, std::uint8_t write, float* line) {
    const int oldest = (write + 1) & (kLineLength - 1);
    std::memcpy(line + oldest, newest, sizeof(float) * static_cast<std::size_t>(kLineLength - oldest));
    std::memcpy(line, newest + kLineLength - oldest, sizeof(float) * static_cast<std::size_t>(oldest));
}

// A line's worth of samples, as a loop of vector moves: a library copy of this size would start a
// string instruction, slower to set up than the copy takes.
TMX1_SAMPLE_STEP void copyLine(const float* __restrict from, float* __restrict to) {
    for (int i = 0; i < kLineLength; ++i)
        to[i] = from[i];
}

// Look-ahead delay. A frame's delayed sample is the dithered input `lookahead` frames earlier (with
// a look-ahead of zero, the frame's own sample): the chunk's inputs take the next places of the
// signal run, and its delayed samples are read that many places back. A block's first chunk starts
// the run from the effect's lines, which take the run's newest samples back at the block's end
// (endRun). When the run is full, its newest samples move to its start: the move leaves alone the
// chunk before, which may still be on its way, as the run holds more than two chunks and a line.
TMX1_SAMPLE_STEP void delayChunk(DelayState& d, SignalRun& run, int n, Chunk& c) {
    if (run.end == 0) {
        lineToRun(d.lineL, d.write, run.left);
        lineToRun(d.lineR, d.write, run.right);
        run.end = kLineLength;
    } else if (run.end + n > kLineLength + kRunFrames) {
        copyLine(run.left + run.end - kLineLength, run.left);
        copyLine(run.right + run.end - kLineLength, run.right);
        run.end = kLineLength;
    }
    c.xL = run.left + run.end;
    c.xR = run.right + run.end;
    c.dL = c.xL - d.lookahead;
    c.dR = c.xR - d.lookahead;
    run.end += n;
    d.write = static_cast<std::uint8_t>(d.write + n);
}

// At the block's end, the run's newest samples back into the effect's lines, if a chunk started it.
TMX1_SAMPLE_STEP void endRun(const DelayState& d, const SignalRun& run) {
    if (run.end == 0)
        return;
    runToLine(run.left + run.end - kLineLength, d.write, d.lineL);
    runToLine(run.right + run.end - kLineLength, d.write, d.lineR);
}

// The table's gains for the levels `lev` of a chunk, clamped to the table so that no frame branches.
// Answers whether any level lies beyond the table (those gains must come from the formula). Each
// step is its own loop: positions, then the table's values (loaded one by one), then the
// interpolation, so that the first and last run at full vector width.
TMX1_SAMPLE_STEP bool tableGains(const float* lev, const float* curve, int n, Chunk& c, float* gains) {
    // Levels are positive, and positive floats order as their bit patterns do: the clamp and the
    // test are integer operations, which vectorise where a float comparison may not.
    constexpr auto kTopBits = std::bit_cast<std::int32_t>(kTableTop);
    std::int32_t beyondTable = 0;
    for (int i = 0; i < n; ++i) {
        beyondTable |= std::bit_cast<std::int32_t>(lev[i]) > kTopBits;
        const float position = tablePosition(std::bit_cast<float>(std::min(std::bit_cast<std::int32_t>(lev[i]), kTopBits)));
        const auto index = static_cast<std::int32_t>(position);
        c.index[i] = index;
        // exact in float: the position and its whole part are within a factor of two of each other
        c.fraction[i] = position - static_cast<float>(index);
    }
    // One load and one store per frame: unrolled, the loop's own counting stops outweighing them.
#pragma GCC unroll 8
    for (int i = 0; i < n; ++i)
        std::memcpy(&c.pair[i], curve + c.index[i], sizeof(std::uint64_t));
    for (int i = 0; i < n; ++i) {
        const D fraction = c.fraction[i];
        const auto below = std::bit_cast<float>(static_cast<std::uint32_t>(c.pair[i]));
        const auto above = std::bit_cast<float>(static_cast<std::uint32_t>(c.pair[i] >> 32));
        gains[i] = static_cast<float>((1.0 - fraction) * below + fraction * above);
    }
    return beyondTable != 0;
}

// Levels of the delayed signal (for the brick-walls and the meters; with neither, nothing reads
// them) and the static gains. With Stereo Link the left side's gain serves both channels.
template <bool linked, bool metering> TMX1_SAMPLE_STEP void staticGainChunk(const PathSettings& k, int n, Chunk& c) {
    if (metering || k.brickOn) {
        levels(c.dL, c.ldL, n);
        levels(c.dR, c.ldR, n);
        for (int i = 0; i < n; ++i)
            c.bwL[i] = linked ? (c.ldL[i] > c.ldR[i] ? c.ldL[i] : c.ldR[i]) : c.ldL[i];
    }
    bool beyondTable = tableGains(c.levL, k.gainCurve, n, c, c.gL);
    if constexpr (!linked)
        beyondTable |= tableGains(c.levR, k.gainCurve, n, c, c.gR);
    if (!beyondTable && !k.curveDirty) [[likely]]
        return;
    for (int i = 0; i < n; ++i) {
        c.gL[i] = staticGainAt(c.levL[i], k.gainCurve, k.curveDirty, k.threshold, k.knee);
        if constexpr (!linked)
            c.gR[i] = staticGainAt(c.levR[i], k.gainCurve, k.curveDirty, k.threshold, k.knee);
    }
}

// The block loop's carried state, as locals of the block function.
struct CarriedState {
    ReleaseState releaseL, releaseR;
    SmootherState smoothL, smoothR;
    MeterState meter;
    DelayState delay;
};

// The release cascade and program-dependent release of each channel, for frame i of the chunk: the
// gain's longest chain from frame to frame. The static gains become the cascade's gains.
template <int type, bool linked>
TMX1_SAMPLE_STEP void releaseFrame(CarriedState& s, const PathSettings& k, int i, Chunk& c) {
    c.gL[i] = releaseStep<type>(s.releaseL, c.gL[i], k.release);
    if constexpr (!linked)
        c.gR[i] = releaseStep<type>(s.releaseR, c.gR[i], k.release);
}

// The smoother and the brick-wall of each channel, for frame i of the chunk: the cascade's gains
// become the final gains.
template <bool linked> TMX1_SAMPLE_STEP void smoothFrame(CarriedState& s, const PathSettings& k, int i, Chunk& c) {
    c.gL[i] = smoothedGain(s.smoothL, c.gL[i], c.bwL[i], k);
    if constexpr (!linked) // linked, the left gains serve both channels
        c.gR[i] = smoothedGain(s.smoothR, c.gR[i], c.ldR[i], k);
}

// A left-right pair of floats into the meters' double lanes.
TMX1_SAMPLE_STEP StereoPair pairAt(const float* pairs, int i) {
    return {_mm_cvtps_pd(_mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(pairs + 2 * i))))};
}

TMX1_SAMPLE_STEP void meterFrame(MeterState& meter, const MeterSettings& mk, const MeterChunk& m, int i) {
    meterStep(meter, mk,
              {pairAt(m.level, i), pairAt(m.gain, i), pairAt(m.output, i), pairAt(m.square, i), m.before[i],
               m.after[i], m.reciprocal[i]});
}

// The meters of the frames still waiting for them.
TMX1_SAMPLE_STEP void drainMeters(MeterState& meter, const MeterSettings& mk, MeterChunk& m) {
    for (int i = 0; i < m.frames; ++i)
        meterFrame(meter, mk, m, i);
    m.frames = 0;
}

// A chunk's frames at one stage of the gain's chains.
struct Stage {
    Chunk* chunk;
    int frames; // none when no chunk is at this stage
};

// Whether the smoothers run a chunk behind the release cascades (see chainStages). It pays for the
// long cascades, whose chains leave the most room beside them; beside a short one, the extra loads
// and stores cost more than the waiting they save.
constexpr bool smoothersRunBehind(int type) { return type == kOpto || type == kSmooth2; }

// The gain's chains from frame to frame, in up to three stages a chunk apart: the release cascades
// of one chunk, the smoothers of the same chunk or the one before it, and the meters of the one
// before the smoothers'. The cascade is the longest chain. The smoother waits on each of its
// results and the meters on the smoother's: in the same frame's steps, their work would queue up
// behind the cascade; a chunk later their inputs are all there, so they run in the gaps the cascade
// leaves.
template <int type, bool linked, bool metering>
TMX1_SAMPLE_STEP void chainStages(CarriedState& s, const PathSettings& k, const MeterSettings& mk, Stage release,
                                  Stage smooth, MeterChunk& __restrict waiting) {
    constexpr bool behind = smoothersRunBehind(type);
    Chunk& __restrict r = *release.chunk;
    Chunk& __restrict m = *smooth.chunk; // the same chunk unless the smoothers run behind: then unused
    const int meters = metering ? waiting.frames : 0;
    const int both = std::min(release.frames, smooth.frames);
    int i = 0;
    for (; i < both; ++i) {
        releaseFrame<type, linked>(s, k, i, r);
        smoothFrame<linked>(s, k, i, behind ? m : r);
        if constexpr (metering)
            if (i < meters)
                meterFrame(s.meter, mk, waiting, i);
    }
    // The frames not every stage has: in a block's first chunk and its last.
    const int frames = std::max({release.frames, smooth.frames, meters});
    for (; i < frames; ++i) {
        if (i < release.frames)
            releaseFrame<type, linked>(s, k, i, r);
        if (i < smooth.frames)
            smoothFrame<linked>(s, k, i, behind ? m : r);
        if constexpr (metering)
            if (i < meters)
                meterFrame(s.meter, mk, waiting, i);
    }
    waiting.frames = 0;
}

// What the meters take from each frame, made for the chunk at full vector width. The gain-reduced
// level is a float product (the double product of two floats is exact). Each pair is stored left,
// right, so that one load and one conversion bring it into the meters' lanes. The counts follow
// the meters' own count, so every frame before must have been metered.
template <bool linked>
TMX1_SAMPLE_STEP void meterInputChunk(const MeterState& meter, const MeterSettings& mk, const PathSettings& k, int n,
                                      const Chunk& c, MeterChunk& m) {
    const float* gR = linked ? c.gL : c.gR;
    // The counts of the chunk's frames, wrapping at the period's end (at most once when the period
    // is at least a chunk long, as it is at every sample rate above 640 Hz).
    const auto period = static_cast<std::int64_t>(mk.period);
    if (period >= kChunkFrames) {
        for (int i = 0; i < n; ++i) {
            std::int64_t before = meter.count + i;
            before -= before >= period ? period : 0;
            m.before[i] = static_cast<float>(before);
            m.after[i] = static_cast<double>(before + 1);
        }
    } else {
        for (int i = 0; i < n; ++i) {
            const std::int64_t before = (meter.count + i) % period;
            m.before[i] = static_cast<float>(before);
            m.after[i] = static_cast<double>(before + 1);
        }
    }
    for (int i = 0; i < n; ++i)
        m.reciprocal[i] = 1.0 / m.after[i];
    for (int i = 0; i < n; ++i) {
        const float reducedL = c.ldL[i] * c.gL[i];
        const float reducedR = c.ldR[i] * gR[i];
        m.level[2 * i] = c.ldL[i];
        m.level[2 * i + 1] = c.ldR[i];
        m.gain[2 * i] = c.gL[i];
        m.gain[2 * i + 1] = gR[i];
        m.output[2 * i] = static_cast<float>(D(reducedL) * k.makeUp * k.outputGain);
        m.output[2 * i + 1] = static_cast<float>(D(reducedR) * k.makeUp * k.outputGain);
        m.square[2 * i] = reducedL * reducedL;
        m.square[2 * i + 1] = reducedR * reducedR;
    }
    m.frames = n;
}

// Make-up and output gain, then into the host's buffers. The gain is a float product: the double
// product of two floats is exact, so rounding it once to float is what a float multiplication does.
template <bool linked>
TMX1_SAMPLE_STEP void outputChunk(const PathSettings& k, int n, Chunk& c, float* __restrict outL,
                                  float* __restrict outR, bool accumulate) {
    const float* __restrict gL = c.gL;
    const float* __restrict gR = linked ? c.gL : c.gR;
    const float* __restrict dL = c.dL;
    const float* __restrict dR = c.dR;
    const auto out = [&](const float* d, const float* g, int i) {
        return static_cast<float>(D(d[i] * g[i]) * k.makeUp * k.outputGain);
    };
    if (accumulate) {
        for (int i = 0; i < n; ++i) {
            outL[i] += out(dL, gL, i);
            outR[i] += out(dR, gR, i);
        }
    } else {
        for (int i = 0; i < n; ++i) {
            outL[i] = out(dL, gL, i);
            outR[i] = out(dR, gR, i);
        }
    }
}

// One frame alone, as ramps take them: the steps of a chunk's passes without their loops, whose
// set-up would cost more than the frame. No chunk is on its way meanwhile.
template <int type, bool linked, bool metering>
TMX1_SAMPLE_STEP void runFrame(CarriedState& c, Chunk& chunk, MeterChunk& meters, const MeterSettings& mk,
                               const PathSettings& k, const float* inL, const float* inR, float* outL, float* outR,
                               bool accumulate) {
    DelayState& d = c.delay;
    d.dither = dither::next(d.dither);
    const float noise = dither::noiseCentred(d.dither);
    const float xL = sanitize(*inL) + noise, xR = sanitize(*inR) + noise;
    float levL = level(xL);
    const float levR = level(xR);
    d.write = static_cast<std::uint8_t>(d.write + 1);
    const auto read = static_cast<std::uint8_t>(d.write - d.lookahead);
    d.lineL[d.write] = xL;
    d.lineR[d.write] = xR;
    const float dL = d.lineL[read], dR = d.lineR[read];
    const float ldL = level(dL), ldR = level(dR);
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
    if constexpr (metering) {
        // their inputs are made exactly as for a chunk
        chunk.ldL[0] = ldL;
        chunk.ldR[0] = ldR;
        chunk.gL[0] = gL;
        chunk.gR[0] = gR;
        meterInputChunk<false>(c.meter, mk, k, 1, chunk, meters);
        drainMeters(c.meter, mk, meters);
    }
    const auto yL = static_cast<float>(D(dL * gL) * k.makeUp * k.outputGain);
    const auto yR = static_cast<float>(D(dR * gR) * k.makeUp * k.outputGain);
    *outL = accumulate ? *outL + yL : yL;
    *outR = accumulate ? *outR + yR : yR;
}

// A whole block for one release type and one setting of the switches that change what a frame
// does. The carried state is copied into locals here and back at the end.
//
// Chunks go through the gain's chains in stages (see chainStages). Where the smoothers run behind,
// two chunks are on their way at a time: while one goes through the release cascades, the one
// before it goes through the smoothers and is then finished. Otherwise a chunk is finished after
// one round. Either way its meters run in the next round.
template <int type, bool linked, bool metering>
TMX1_SAMPLE_STEP void blockLoop(State& s, const float* inL, const float* inR, float* outL, float* outR, Int32 frames,
                                bool accumulate) {
    CarriedState c{ReleaseState::of(s.left),
                   ReleaseState::of(s.right),
                   SmootherState::of(s.left),
                   SmootherState::of(s.right),
                   MeterState::of(s),
                   {s.dither, s.delayL, s.delayR, s.delayWrite, s.lookahead}};
    const MeterSettings meterSettings = MeterSettings::of(s);
    PathSettings settings = PathSettings::of(s);
    Chunk chunks[2];
    MeterChunk waitingMeters;
    waitingMeters.frames = 0;
    Int32 i = 0;
    // While ramps run, what a frame reads changes from frame to frame: one frame at a time. So goes
    // a lone frame, for which the chunk passes' set-up would cost more than the frame.
    for (; i < frames && (s.remaining > 0 || frames - i == 1); ++i) {
        if (s.remaining > 0) {
            stepRamps(s);
            settings = PathSettings::of(s);
        }
        runFrame<type, linked, metering>(c, chunks[0], waitingMeters, meterSettings, settings, inL + i, inR + i,
                                         outL + i, outR + i, accumulate);
    }
    // Ramps only start with a block, so from here on every frame reads the same settings.
    constexpr bool behind = smoothersRunBehind(type);
    Stage smoothing{&chunks[1], 0}; // a chunk whose release cascades are done, when the smoothers run behind
    SignalRun run;
    for (int turn = 0; i < frames || smoothing.frames > 0; turn ^= 1) {
        // The next chunk's first passes. Every input of a chunk is read before its first output is
        // written: hosts may process in place.
        Stage releasing{&chunks[turn], static_cast<int>(std::min<Int32>(kChunkFrames, frames - i))};
        if (releasing.frames > 0) {
            delayChunk(c.delay, run, releasing.frames, *releasing.chunk); // where its inputs go
            ditherChunk<linked>(c.delay, inL + i, inR + i, releasing.frames, *releasing.chunk);
            staticGainChunk<linked, metering>(settings, releasing.frames, *releasing.chunk);
        }
        chainStages<type, linked, metering>(c, settings, meterSettings, releasing, behind ? smoothing : releasing,
                                            waitingMeters);
        // The chunk through its smoothers is finished: out to the host, and its meters wait for the
        // next round.
        const Stage finished = behind ? smoothing : releasing;
        if (finished.frames > 0) {
            const Int32 start = behind ? i - finished.frames : i;
            if constexpr (metering)
                meterInputChunk<linked>(c.meter, meterSettings, settings, finished.frames, *finished.chunk, waitingMeters);
            outputChunk<linked>(settings, finished.frames, *finished.chunk, outL + start, outR + start, accumulate);
        }
        if constexpr (behind)
            smoothing = releasing;
        i += releasing.frames;
    }
    if constexpr (metering)
        drainMeters(c.meter, meterSettings, waitingMeters);
    endRun(c.delay, run);
    c.releaseL.storeTo(s.left);
    c.releaseR.storeTo(s.right);
    c.smoothL.storeTo(s.left);
    c.smoothR.storeTo(s.right);
    if constexpr (metering)
        c.meter.storeTo(s);
    s.delayWrite = c.delay.write;
    s.dither = c.delay.dither;
}

// The block loop for every x86-64 processor, again for processors with AVX2 and FMA (x86-64-v3) and
// again for those with AVX-512 (x86-64-v4), chosen when the effect is created. The later copies
// have wider vectors in the per-chunk loops, and the last twice the registers, so that the chains
// keep all their state in registers; the arithmetic is the same in all three: this file is compiled
// without floating-point contraction, so no multiplication and addition are ever fused.
template <int type, bool linked, bool metering>
void runBlock(State& s, const float* inL, const float* inR, float* outL, float* outR, Int32 frames, bool accumulate) {
    blockLoop<type, linked, metering>(s, inL, inR, outL, outR, frames, accumulate);
}

template <int type, bool linked, bool metering>
[[gnu::target("arch=x86-64-v3")]] void runBlockAvx2(State& s, const float* inL, const float* inR, float* outL,
                                                     float* outR, Int32 frames, bool accumulate) {
    blockLoop<type, linked, metering>(s, inL, inR, outL, outR, frames, accumulate);
}

template <int type, bool linked, bool metering>
[[gnu::target("arch=x86-64-v4")]] void runBlockAvx512(State& s, const float* inL, const float* inR, float* outL,
                                                       float* outR, Int32 frames, bool accumulate) {
    blockLoop<type, linked, metering>(s, inL, inR, outL, outR, frames, accumulate);
}

using BlockRoutine = void (*)(State&, const float*, const float*, float*, float*, Int32, bool);

template <int type, bool linked, bool metering> BlockRoutine blockRoutine(LoopWidth width) {
    switch (width) {
    case LoopWidth::avx512:
        return runBlockAvx512<type, linked, metering>;
    case LoopWidth::avx2:
        return runBlockAvx2<type, linked, metering>;
    default:
        return runBlock<type, linked, metering>;
    }
}

template <int type> BlockRoutine blockRoutine(bool linked, bool metering, LoopWidth width) {
    if (linked)
        return metering ? blockRoutine<type, true, true>(width) : blockRoutine<type, true, false>(width);
    return metering ? blockRoutine<type, false, true>(width) : blockRoutine<type, false, false>(width);
}

BlockRoutine blockRoutine(int type, bool linked, bool metering, LoopWidth width) {
    switch (type) {
    case kOpto:
        return blockRoutine<kOpto>(linked, metering, width);
    case kPumper:
        return blockRoutine<kPumper>(linked, metering, width);
    case kSmooth2:
        return blockRoutine<kSmooth2>(linked, metering, width);
    case kSmooth1:
        return blockRoutine<kSmooth1>(linked, metering, width);
    default: // the control mapping gives 0 to 4
        return blockRoutine<kClassic>(linked, metering, width);
    }
}

} // namespace

LoopWidth APlugin::widestLoops() {
    __builtin_cpu_init(); // in case the first effect comes from a static constructor
    if (__builtin_cpu_supports("x86-64-v4"))
        return LoopWidth::avx512;
    return __builtin_cpu_supports("x86-64-v3") ? LoopWidth::avx2 : LoopWidth::baseline;
}

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
    s.pdeOn = isOn(paramValue[kPde].load(std::memory_order_relaxed));
    s.linked = isOn(paramValue[kStereoLink].load(std::memory_order_relaxed));
    s.autoGainOn = isOn(paramValue[kAutoGain].load(std::memory_order_relaxed));
    s.curveDirty = curveDirty != 0;
    s.width = loopWidth;
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

template <bool accumulate> void APlugin::processBlock(float** inputs, float** outputs, Int32 sampleFrames) {
    applyParameterChanges();
    if (sampleFrames <= 0 || inputs == nullptr || outputs == nullptr || inputs[0] == nullptr ||
        inputs[1] == nullptr || outputs[0] == nullptr || outputs[1] == nullptr)
        return;

    BlockState s;
    loadBlockState(s);
    blockRoutine(s.releaseType, s.linked, s.metering, s.width)(s, inputs[0], inputs[1], outputs[0], outputs[1],
                                                               sampleFrames, accumulate);
    storeBlockState(s);
}

void APlugin::process(float** inputs, float** outputs, Int32 sampleFrames) {
    processBlock<true>(inputs, outputs, sampleFrames);
}

void APlugin::processReplacing(float** inputs, float** outputs, Int32 sampleFrames) {
    processBlock<false>(inputs, outputs, sampleFrames);
}

} // namespace tmx1
