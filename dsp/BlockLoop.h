// The signal path's block loop, as a template that each release type's unit instantiates (one unit
// a type, so that the copies compile side by side): ramp step, dither, detection, look-ahead delay,
// static curve, release cascade, program-dependent release, gain smoother, brick-wall, stereo link,
// make-up and output gain, then the meters. Every expression is evaluated in double and rounded to
// float where its result is stored.
//
// How a block runs. Frames go through in chunks (dsp/ChunkPasses.h). First, short loops over the
// whole chunk do the work that carries nothing from frame to frame (dither, levels, look-ahead
// delay, static gains); the compiler vectorises them where it can. Then one loop runs what does
// carry: the release cascade and program-dependent release of each channel, their smoothers and
// brick-walls, and the meters. Those chains of consecutive frames overlap in the processor, limited
// by the longest, the cascade; the shorter ones overlap best when their inputs are ready, so the
// meters take the frames of the chunk before, and behind the long cascades the smoothers do too
// (chainStages). Last, the outputs of the chunk are made and handed to the host. Frames of a ramp
// go through the same passes, each frame with settings of its own made for the chunk ahead of it;
// only a few frames of a ramp, and a lone frame, go one at a time (dsp/SingleFrame.h). The carried
// state lives in locals of the block function for the whole block, small structs of named floats
// the compiler keeps in registers: as members of the effect, or behind a reference, it would be
// stored and reloaded around every store to the host's buffers, which for all the compiler knows
// could overlap it. The release type and Stereo Link are template arguments, so neither is tested
// per sample. Metering is not: a copy for each setting doubled the machine code and was worth little
// (measured alternately: within 2 % on every program in the AVX-512 and baseline copies, 3 to 4 % on
// four in the AVX2 copy). Where no meters wait, the short cascades take a loop without their steps
// (see chainStages).
//
// Only the signal path's own translation units include this (see dsp/FrameSteps.h).
#pragma once

#include "dsp/BlockLoops.h"
#include "dsp/SingleFrame.h"

#include <algorithm>

namespace tmx1 {

namespace path {

namespace {

// A whole block for one release type and one setting of Stereo Link. The carried state is copied
// into locals here and back at the end.
//
// Chunks go through the gain's chains in stages (see chainStages). Where the smoothers run behind,
// two chunks are on their way at a time: while one goes through the release cascades, the one
// before it goes through the smoothers and is then finished. Otherwise a chunk is finished after
// one round. Either way its meters run in the next round.
template <int type, bool linked>
TMX1_SAMPLE_STEP void blockLoop(BlockState& s, const float* inL, const float* inR, float* outL, float* outR,
                                Int32 frames, bool accumulate) {
    const bool metering = s.metering;
    CarriedState c = CarriedState::of(s);
    const MeterSettings meterSettings = MeterSettings::of(s);
    PathSettings settings = PathSettings::of(s);
    Chunk chunks[2];
    PathSettings frameSettings[kChunkFrames]; // while ramps run, each frame's settings
    float makeUps[kChunkFrames], outputGains[kChunkFrames];
    MeterChunk waitingMeters;
    waitingMeters.frames = 0;
    Int32 i = 0;
    SignalRun run;
    // While ramps run, what a frame reads changes from frame to frame. The ramps' frames go in chunks
    // whose settings are made ahead, one per frame, each as the single frame would read it; the chains
    // take them in one round. A few frames alone, and a lone frame, go one at a time: the chunk
    // passes' set-up would cost more than the frames.
    while (i < frames && (s.rampRemaining > 0 || frames - i == 1)) {
        const int ramped = static_cast<int>(std::min<Int32>({kChunkFrames, frames - i, s.rampRemaining}));
        if (ramped < kFewestRampChunkFrames) {
            // The single frame reads and writes the effect's lines and meters at once: what chunks
            // before it left in the block's signal run and waiting for the meters goes first.
            if (metering)
                drainMeters(c.meter, meterSettings, waitingMeters);
            endRun(c.delay, run);
            run.end = 0;
            if (s.rampRemaining > 0) {
                stepRamps(s);
                settings = PathSettings::of(s);
            }
            runFrame<type, linked>(c, chunks[0], waitingMeters, meterSettings, settings, inL + i, inR + i,
                                   outL + i, outR + i, accumulate, metering);
            ++i;
            continue;
        }
        rampSettings(s, ramped, frameSettings, makeUps, outputGains);
        settings = frameSettings[ramped - 1];
        const FrameSettings k{frameSettings, makeUps, outputGains};
        Stage chunk{&chunks[0], ramped};
        delayChunk(c.delay, run, ramped, chunks[0]);
        ditherChunk<linked>(c.delay, inL + i, inR + i, ramped, chunks[0]);
        staticGainChunk<linked>(k, ramped, chunks[0], metering);
        chainStages<type, linked>(c, k, meterSettings, chunk, chunk, waitingMeters);
        if (metering)
            meterInputChunk<linked>(c.meter, meterSettings, k, ramped, chunks[0], waitingMeters);
        outputChunk<linked>(k, ramped, chunks[0], outL + i, outR + i, accumulate);
        i += ramped;
    }
    // Ramps only start with a block, so from here on every frame reads the same settings.
    constexpr bool behind = smoothersRunBehind(type);
    Stage smoothing{&chunks[1], 0}; // a chunk whose release cascades are done, when the smoothers run behind
    const SameSettings same{settings};
    for (int turn = 0; i < frames || smoothing.frames > 0; turn ^= 1) {
        // The next chunk's first passes. Every input of a chunk is read before its first output is
        // written: hosts may process in place.
        Stage releasing{&chunks[turn], static_cast<int>(std::min<Int32>(kChunkFrames, frames - i))};
        if (releasing.frames > 0) {
            delayChunk(c.delay, run, releasing.frames, *releasing.chunk); // where its inputs go
            ditherChunk<linked>(c.delay, inL + i, inR + i, releasing.frames, *releasing.chunk);
            staticGainChunk<linked>(same, releasing.frames, *releasing.chunk, metering);
        }
        chainStages<type, linked>(c, same, meterSettings, releasing, behind ? smoothing : releasing,
                                  waitingMeters);
        // The chunk through its smoothers is finished: out to the host, and its meters wait for the
        // next round.
        const Stage finished = behind ? smoothing : releasing;
        if (finished.frames > 0) {
            const Int32 start = behind ? i - finished.frames : i;
            if (metering)
                meterInputChunk<linked>(c.meter, meterSettings, same, finished.frames, *finished.chunk,
                                        waitingMeters);
            outputChunk<linked>(same, finished.frames, *finished.chunk, outL + start, outR + start,
                                accumulate);
        }
        if constexpr (behind)
            smoothing = releasing;
        i += releasing.frames;
    }
    if (metering)
        drainMeters(c.meter, meterSettings, waitingMeters);
    endRun(c.delay, run);
    c.storeTo(s);
}

// The block loop for every x86-64 processor, again for processors with AVX2 and FMA (x86-64-v3) and
// again for those with AVX-512 (x86-64-v4), chosen when the effect is created. The later copies
// have wider vectors in the per-chunk loops, and the last twice the registers, so that the chains
// keep all their state in registers; the arithmetic is the same in all three: this file is compiled
// without floating-point contraction, so no multiplication and addition are ever fused. The model
// comparisons (AgainstTheModel.*) and AgainstItself.* run every copy the processor has.
template <int type, bool linked>
void runBlock(BlockState& s, const float* inL, const float* inR, float* outL, float* outR, Int32 frames,
              bool accumulate) {
    blockLoop<type, linked>(s, inL, inR, outL, outR, frames, accumulate);
}

template <int type, bool linked>
[[gnu::target("arch=x86-64-v3")]] void runBlockAvx2(BlockState& s, const float* inL, const float* inR,
                                                    float* outL, float* outR, Int32 frames, bool accumulate) {
    blockLoop<type, linked>(s, inL, inR, outL, outR, frames, accumulate);
}

template <int type, bool linked>
[[gnu::target("arch=x86-64-v4")]] void runBlockAvx512(BlockState& s, const float* inL, const float* inR,
                                                      float* outL, float* outR, Int32 frames,
                                                      bool accumulate) {
    blockLoop<type, linked>(s, inL, inR, outL, outR, frames, accumulate);
}

template <int type, bool linked> BlockRoutine blockRoutine(LoopWidth width) {
    switch (width) {
    case LoopWidth::avx512:
        return runBlockAvx512<type, linked>;
    case LoopWidth::avx2:
        return runBlockAvx2<type, linked>;
    default:
        return runBlock<type, linked>;
    }
}


} // namespace

// The copies of one release type, for each setting of Stereo Link and every width.
template <int type> BlockRoutine blockRoutineFor(bool linked, LoopWidth width) {
    return linked ? blockRoutine<type, true>(width) : blockRoutine<type, false>(width);
}

} // namespace path
} // namespace tmx1
