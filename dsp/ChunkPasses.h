// The chunk passes of the block loop. Frames go through in chunks: first, short loops over the whole
// chunk do the work that carries nothing from frame to frame (dither, levels, look-ahead delay,
// static gains); the compiler vectorises them where it can. Then the gain's chains run frame by frame
// (chainStages): the release cascade and program-dependent release of each channel, their smoothers
// and brick-walls, and the meters. Last, the outputs of the chunk are made and handed to the host.
//
// Only the signal path's own translation units include this (see dsp/FrameSteps.h).
#pragma once

#include "dsp/Dither.h"
#include "dsp/FrameSteps.h"
#include "dsp/Level.h"

#include <algorithm>
#include <cstring>

namespace tmx1::path {

// Frames per chunk: enough for the per-chunk loops to run at full vector width, few enough that a
// chunk's buffers stay in the first-level cache.
constexpr int kChunkFrames = 64;
// Fewer frames of a ramp than this go one at a time (dsp/SingleFrame.h).
constexpr int kFewestRampChunkFrames = 4;

inline constexpr dither::JumpAhead<kChunkFrames> kDitherJumps{};

// A chunk's frames on their way through the path.
struct Chunk {
    std::int32_t index[kChunkFrames]; // table positions: whole part
    float fraction[kChunkFrames];     // and fraction
    std::uint64_t pair[kChunkFrames]; // the table's values either side, the one below in the low half
    float* xL;                        // dithered inputs, in the block's signal run
    float* xR;
    float levL[kChunkFrames], levR[kChunkFrames]; // their levels (linked: the left's serves both)
    const float* dL;                              // delayed samples: the same run, `lookahead` places back
    const float* dR;
    float ldL[kChunkFrames], ldR[kChunkFrames]; // their levels
    float bwL[kChunkFrames];                    // brick-wall level, left (both when linked)
    float gL[kChunkFrames], gR[kChunkFrames];   // static gains, then the final gains (linked: left only)
    // (after the arrays, whose places the loops were measured with)
    float* eL;          // with True Peak on, the estimates around the inputs' frames, in the run
    float* eR;          // beside them
    const float* dDetL; // what the delayed frames' levels are of: their samples, or with True Peak on
    const float* dDetR; // their estimates
};

// Frames of dithered input the block's signal run holds after the line's samples before them:
// eight chunks, after which its newest kDelayLength samples move to its start.
constexpr int kRunFrames = 8 * kChunkFrames;

// Each channel's dithered samples of the block, in order, after the line's samples before the
// block: a chunk's delayed samples are its own inputs read `lookahead` places back, wherever the
// effect's line would wrap.
struct SignalRun {
    alignas(64) float left[kDelayLength + kRunFrames];
    alignas(64) float right[kDelayLength + kRunFrames];
    alignas(64) float peakLeft[kDelayLength + kRunFrames]; // with True Peak on: the estimates beside them
    alignas(64) float peakRight[kDelayLength + kRunFrames];
    int end = 0; // where the next chunk's samples go; 0 until the block's first chunk starts the run
};

// What the meters take from a chunk's frames, left and right side by side.
struct MeterChunk {
    float level[2 * kChunkFrames], gain[2 * kChunkFrames];
    float output[2 * kChunkFrames], square[2 * kChunkFrames];
    float before[kChunkFrames];                           // the meter period's count before the frame
    double after[kChunkFrames], reciprocal[kChunkFrames]; // after it, and its reciprocal
    int frames;                                           // how many frames wait for the meters
};

// The detector's levels of a chunk's frames, from their samples or their true peaks.
template <bool linked>
TMX1_SAMPLE_STEP void detectionLevels(const float* __restrict left, const float* __restrict right, int n,
                                      Chunk& c) {
    if constexpr (linked) {
        for (int i = 0; i < n; ++i) // the right levels are not needed: their place holds the magnitudes
            c.levR[i] = std::bit_cast<float>(std::max(magnitudeBits(left[i]), magnitudeBits(right[i])));
        levels(c.levR, c.levL, n);
    } else {
        levels(left, c.levL, n);
        levels(right, c.levR, n);
    }
}

// With True Peak on: the estimates around the chunk's frames into the run beside their samples (read,
// with the samples before the chunk, from the run, which holds a line's worth), with their margin,
// and the detector's levels of them. One copy serves every copy of the block loop (dsp/BlockDriver.cpp):
// a call per chunk costs nothing beside the estimates, and sixty inlined copies would weigh on the
// library.
void truePeakLevels(const TruePeakEstimator& estimator, bool linked, int n, Chunk& c);

// Dither and detection on the undelayed signal.
// - The states of the chunk's frames come from the jump-ahead table, so the loop has no chain
//   (proven equal to stepping the generator frame by frame by
//   ExactRewrites.JumpAheadGivesTheSequenceOneStepAtATime).
// - The dither sum is a float addition: double carries more than twice float's precision, so
//   rounding the exact sum to double and then to float gives the float that rounding it once would
//   (ExactRewrites.OneOperationOnTwoFloatsInDoubleRoundsToTheFloatOperation).
// - With True Peak on, the levels are of the estimates around each frame's sample, which lags the
//   frame by the estimator's latency (the audio's delay grows by as much).
// - With Stereo Link the left level is the larger of the two: a level grows with the magnitude, so
//   that is the level of the larger magnitude, one level per frame instead of two (proven against
//   the model with the louder channel on either side by
//   AgainstTheModel.EveryBlockSizeFromOneFrameUp).
template <bool linked>
TMX1_SAMPLE_STEP void ditherChunk(DelayState& d, const float* __restrict inL, const float* __restrict inR,
                                  int n, Chunk& c) {
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
    if (d.truePeak != nullptr) [[unlikely]] {
        truePeakLevels(*d.truePeak, linked, n, c);
    } else {
        detectionLevels<linked>(xL, xR, n, c);
    }
    d.dither = kDitherJumps.multiplier[static_cast<std::size_t>(n - 1)] * state +
               kDitherJumps.increment[static_cast<std::size_t>(n - 1)];
}

// The line's samples, oldest first, to the start of the signal run, and the run's newest
// kDelayLength samples back into the line, whose newest sample is at `write`: once per block, where
// the line wraps round.
TMX1_SAMPLE_STEP void lineToRun(const float* line, std::uint8_t write, float* run) {
    const int oldest = (write + 1) & (kDelayLength - 1);
    std::memcpy(run, line + oldest, sizeof(float) * static_cast<std::size_t>(kDelayLength - oldest));
    std::memcpy(run + kDelayLength - oldest, line, sizeof(float) * static_cast<std::size_t>(oldest));
}

TMX1_SAMPLE_STEP void runToLine(const float* newest, std::uint8_t write, float* line) {
    const int oldest = (write + 1) & (kDelayLength - 1);
    std::memcpy(line + oldest, newest, sizeof(float) * static_cast<std::size_t>(kDelayLength - oldest));
    std::memcpy(line, newest + kDelayLength - oldest, sizeof(float) * static_cast<std::size_t>(oldest));
}

// A line's worth of samples, as a loop of vector moves: a library copy of this size would start a
// string instruction, slower to set up than the copy takes.
TMX1_SAMPLE_STEP void copyLine(const float* __restrict from, float* __restrict to) {
    for (int i = 0; i < kDelayLength; ++i)
        to[i] = from[i];
}

// Look-ahead delay. A frame's delayed sample is the dithered input `lookahead` frames earlier (with
// a look-ahead of zero, the frame's own sample): the chunk's inputs take the next places of the
// signal run, and its delayed samples are read that many places back. A block's first chunk starts
// the run from the effect's lines, which take the run's newest samples back at the block's end
// (endRun). When the run is full, its newest samples move to its start: the move leaves alone the
// chunk before, which may still be on its way, as the run holds more than two chunks and a line.
// DelayLine.HoldsTheLast256SamplesWhateverTheBlockSizeAndLoopCopy proves the lines the same as a
// sample at a time would leave them.
TMX1_SAMPLE_STEP void delayChunk(DelayState& d, SignalRun& run, int n, Chunk& c) {
    const bool truePeak = d.truePeak != nullptr;
    if (run.end == 0) {
        lineToRun(d.lineL, d.write, run.left);
        lineToRun(d.lineR, d.write, run.right);
        if (truePeak) {
            lineToRun(d.peakLineL, d.write, run.peakLeft);
            lineToRun(d.peakLineR, d.write, run.peakRight);
        }
        run.end = kDelayLength;
    } else if (run.end + n > kDelayLength + kRunFrames) {
        copyLine(run.left + run.end - kDelayLength, run.left);
        copyLine(run.right + run.end - kDelayLength, run.right);
        if (truePeak) {
            copyLine(run.peakLeft + run.end - kDelayLength, run.peakLeft);
            copyLine(run.peakRight + run.end - kDelayLength, run.peakRight);
        }
        run.end = kDelayLength;
    }
    c.xL = run.left + run.end;
    c.xR = run.right + run.end;
    c.dL = c.xL - d.lookahead;
    c.dR = c.xR - d.lookahead;
    if (truePeak) {
        c.eL = run.peakLeft + run.end;
        c.eR = run.peakRight + run.end;
        c.dDetL = c.eL - d.peakLookahead;
        c.dDetR = c.eR - d.peakLookahead;
    } else {
        c.dDetL = c.dL;
        c.dDetR = c.dR;
    }
    run.end += n;
    d.write = static_cast<std::uint8_t>(d.write + n);
}

// At the block's end, the run's newest samples back into the effect's lines, if a chunk started it.
TMX1_SAMPLE_STEP void endRun(const DelayState& d, const SignalRun& run) {
    if (run.end == 0)
        return;
    runToLine(run.left + run.end - kDelayLength, d.write, d.lineL);
    runToLine(run.right + run.end - kDelayLength, d.write, d.lineR);
    if (d.truePeak != nullptr) {
        runToLine(run.peakLeft + run.end - kDelayLength, d.write, d.peakLineL);
        runToLine(run.peakRight + run.end - kDelayLength, d.write, d.peakLineR);
    }
}

// The table's gains for the levels `lev` of a chunk, clamped to the table so that no frame branches.
// Answers whether any level lies beyond the table (those gains must come from the formula). Each
// step is its own loop: positions, then the table's values (loaded one by one), then the
// interpolation, so that the first and last run at full vector width.
TMX1_SAMPLE_STEP bool tableGains(const float* lev, const float* curve, int n, Chunk& c, float* gains) {
    // Levels are positive, and positive floats order as their bit patterns do: the clamp and the
    // test are integer operations, which vectorise where a float comparison may not. The levels
    // beyond the table (AgainstTheModel.EveryReleaseTypeAndSwitchSampleBySample feeds a sine above
    // it) take the formula afterwards, whatever the clamped position gave them here.
    constexpr auto kTopBits = std::bit_cast<std::int32_t>(kTableTop);
    std::int32_t beyondTable = 0;
    for (int i = 0; i < n; ++i) {
        beyondTable |= std::bit_cast<std::int32_t>(lev[i]) > kTopBits;
        const float position =
            tablePosition(std::bit_cast<float>(std::min(std::bit_cast<std::int32_t>(lev[i]), kTopBits)));
        const auto index = static_cast<std::int32_t>(position);
        c.index[i] = index;
        // exact in float: the position and its whole part are within a factor of two of each other
        // (Sterbenz), so this is the double difference the interpolation would take
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

// Whether a brick-wall is on for any of the chunk's frames.
template <class Settings> TMX1_SAMPLE_STEP bool anyBrickOn(const Settings& k, int n) {
    if constexpr (!Settings::perFrame)
        return k[0].brickOn;
    bool on = false;
    for (int i = 0; i < n; ++i)
        on |= k[i].brickOn;
    return on;
}

// Levels of the delayed signal (for the brick-walls and the meters; with neither, nothing reads
// them) and the static gains. With Stereo Link the left side's gain serves both channels. While
// Threshold or Knee glide the curve is dirty and every frame takes the formula with its own
// threshold and knee: a pass of evaluations independent of each other, which the processor overlaps.
template <bool linked, class Settings>
TMX1_SAMPLE_STEP void staticGainChunk(const Settings& k, int n, Chunk& c, bool metering) {
    if (metering || anyBrickOn(k, n)) {
        levels(c.dDetL, c.ldL, n);
        levels(c.dDetR, c.ldR, n);
        for (int i = 0; i < n; ++i)
            c.bwL[i] = linked ? (c.ldL[i] > c.ldR[i] ? c.ldL[i] : c.ldR[i]) : c.ldL[i];
    }
    const PathSettings& first = k[0]; // the table and whether it is dirty hold for the whole block
    // A dirty table is not read at all: every frame takes the formula.
    if (!first.curveDirty) [[likely]] {
        bool beyondTable = tableGains(c.levL, first.gainCurve, n, c, c.gL);
        if constexpr (!linked)
            beyondTable |= tableGains(c.levR, first.gainCurve, n, c, c.gR);
        if (!beyondTable) [[likely]]
            return;
    }
    if (!first.curveDirty) { // levels beyond the table
        for (int i = 0; i < n; ++i) {
            c.gL[i] = staticGainAt(c.levL[i], first.gainCurve, false, k[i].threshold, k[i].knee);
            if constexpr (!linked)
                c.gR[i] = staticGainAt(c.levR[i], first.gainCurve, false, k[i].threshold, k[i].knee);
        }
        return;
    }
    // Every frame from the formula. Below the knee it gives unity without exp or log: the test is the
    // formula's own, made here so that those frames need no call.
    for (int i = 0; i < n; ++i) {
        const float kneeStart = kneeStartOf(k[i].threshold, k[i].knee);
        c.gL[i] = c.levL[i] <= kneeStart ? 1.0f : curveFormula(c.levL[i], k[i].threshold, k[i].knee);
        if constexpr (!linked)
            c.gR[i] = c.levR[i] <= kneeStart ? 1.0f : curveFormula(c.levR[i], k[i].threshold, k[i].knee);
    }
}

// The release cascade and program-dependent release of each channel, for frame i of the chunk: the
// gain's longest chain from frame to frame. The static gains become the cascade's gains.
template <int type, bool linked, class Settings>
TMX1_SAMPLE_STEP void releaseFrame(CarriedState& s, const Settings& k, int i, Chunk& c) {
    c.gL[i] = releaseStep<type>(s.releaseL, c.gL[i], k[i].release);
    if constexpr (!linked)
        c.gR[i] = releaseStep<type>(s.releaseR, c.gR[i], k[i].release);
}

// The smoother and the brick-wall of each channel, for frame i of the chunk: the cascade's gains
// become the final gains.
template <bool linked, class Settings>
TMX1_SAMPLE_STEP void smoothFrame(CarriedState& s, const Settings& k, int i, Chunk& c) {
    c.gL[i] = smoothedGain(s.smoothL, c.gL[i], c.bwL[i], k[i]);
    if constexpr (!linked) // linked, the left gains serve both channels
        c.gR[i] = smoothedGain(s.smoothR, c.gR[i], c.ldR[i], k[i]);
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
// leaves. Each chain still sees its frames in order, so the order between chains changes nothing:
// AgainstTheModel.EveryBlockSizeFromOneFrameUp compares every frame and every block's meters with
// the model, with the chunks' boundaries falling everywhere.
template <int type, bool linked, class Settings>
TMX1_SAMPLE_STEP void chainStages(CarriedState& s, const Settings& k, const MeterSettings& mk,
                                  Stage release, Stage smooth, MeterChunk& __restrict waiting) {
    // Frames with settings of their own go through all their chains in one round.
    constexpr bool behind = smoothersRunBehind(type) && !Settings::perFrame;
    Chunk& __restrict r = *release.chunk;
    Chunk& __restrict m = *smooth.chunk; // the same chunk unless the smoothers run behind: then unused
    const int meters = waiting.frames; // none unless metering
    const int both = std::min(release.frames, smooth.frames);
    int i = 0;
    // Without meters, the steady frames of the short cascades take a loop of their own, which need
    // not keep the meters' state in registers. Beside the long ones, whose loop holds two chunks'
    // chains, a second loop made the register allocation worse for both (measured: 8 % more cost with
    // meters on 16 registers), and ramps are too short to gain from one.
    if (!behind && !Settings::perFrame && meters == 0) {
        for (; i < both; ++i) {
            releaseFrame<type, linked>(s, k, i, r);
            smoothFrame<linked>(s, k, i, r);
        }
    }
    for (; i < both; ++i) {
        releaseFrame<type, linked>(s, k, i, r);
        smoothFrame<linked>(s, k, i, behind ? m : r);
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
        if (i < meters)
            meterFrame(s.meter, mk, waiting, i);
    }
    waiting.frames = 0;
}

// What the meters take from each frame, made for the chunk at full vector width. The gain-reduced
// level and its square are float products, the double product of two floats being exact
// (ExactRewrites.OneOperationOnTwoFloatsInDoubleRoundsToTheFloatOperation). Each pair is stored
// left, right, so that one load and one conversion bring it into the meters' lanes. The counts
// follow the meters' own count, so every frame before must have been metered; their reciprocals
// serve the running mean (metering::dividedByCount).
template <bool linked, class Settings>
TMX1_SAMPLE_STEP void meterInputChunk(const MeterState& meter, const MeterSettings& mk, const Settings& k,
                                      int n, const Chunk& c, MeterChunk& m) {
    const float* gR = linked ? c.gL : c.gR;
    // The counts of the chunk's frames, wrapping at the period's end (at most once when the period
    // is at least a chunk long, as it is at every sample rate above 640 Hz; below, several times:
    // AgainstTheModel.SampleRatesFromVeryLowToVeryHigh runs at 300 Hz).
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
        m.output[2 * i] = static_cast<float>(D(reducedL) * k.makeUp(i) * k.outputGain(i));
        m.output[2 * i + 1] = static_cast<float>(D(reducedR) * k.makeUp(i) * k.outputGain(i));
        m.square[2 * i] = reducedL * reducedL;
        m.square[2 * i + 1] = reducedR * reducedR;
    }
    m.frames = n;
}

// Make-up and output gain, then into the host's buffers. The gain is a float product: the double
// product of two floats is exact, so rounding it once to float is what a float multiplication does
// (ExactRewrites.OneOperationOnTwoFloatsInDoubleRoundsToTheFloatOperation).
template <bool linked, class Settings>
TMX1_SAMPLE_STEP void outputChunk(const Settings& k, int n, Chunk& c, float* __restrict outL,
                                  float* __restrict outR, bool accumulate) {
    const float* __restrict gL = c.gL;
    const float* __restrict gR = linked ? c.gL : c.gR;
    const float* __restrict dL = c.dL;
    const float* __restrict dR = c.dR;
    const auto out = [&](const float* d, const float* g, int i) {
        return static_cast<float>(D(d[i] * g[i]) * k.makeUp(i) * k.outputGain(i));
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

} // namespace tmx1::path
