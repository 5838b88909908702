// The compressor against a plain model of its formulas, and the behaviours a user hears.
#include "tests/dsp/APluginProbe.h"
#include "tests/dsp/ReferenceCompressor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <cmath>
#include <random>

using dsp_testing::Rig;
using dsp_testing::Stereo;
using dsp_testing::thresholdFor;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Test signals: an impulse, a step, a loud sine, noise bursts with quiet gaps.
Stereo impulse(std::size_t frames, std::size_t at, float height) {
    Stereo s(frames);
    s.left[at] = height;
    s.right[at] = -height;
    return s;
}

Stereo stepSignal(std::size_t frames, std::size_t at, float height) {
    Stereo s(frames);
    std::fill(s.left.begin() + static_cast<long>(at), s.left.end(), height);
    std::fill(s.right.begin() + static_cast<long>(at), s.right.end(), height * 0.5f);
    return s;
}

Stereo sine(std::size_t frames, double hz, float amplitude, double fs = 44100.0) {
    Stereo s(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        s.left[i] = static_cast<float>(amplitude * std::sin(2 * kPi * hz * double(i) / fs));
        s.right[i] = static_cast<float>(amplitude * 0.7 * std::sin(2 * kPi * hz * 1.5 * double(i) / fs));
    }
    return s;
}

Stereo noiseBursts(std::size_t frames, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    Stereo s(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const bool loud = (i / 2000) % 3 == 0;
        const float scale = loud ? 1.8f : 0.02f;
        s.left[i] = scale * uniform(random);
        s.right[i] = scale * 0.5f * uniform(random);
    }
    return s;
}

std::array<float, 10> programValues(Rig& rig) {
    std::array<float, 10> v{};
    for (int i = 0; i < 10; ++i)
        v[static_cast<std::size_t>(i)] = rig.plugin.getParameter(i);
    return v;
}

// Parameter sets that between them take every branch of the path.
struct Setting {
    const char* name;
    int program;
    std::vector<std::pair<int, float>> changes;
};

std::vector<Setting> settings() {
    const float half = thresholdFor(0.5);
    return {
        {"Warm Tollimation", 0, {{tmx1::kThreshold, half}}},
        {"Opto Mixdown", 4, {{tmx1::kThreshold, half}}},
        {"Smooth 2 unlinked", 2, {{tmx1::kThreshold, half}, {tmx1::kStereoLink, 0.0f}}},
        {"Smooth 1 brick-wall", 6, {{tmx1::kThreshold, half}, {tmx1::kKnee, 0.4f}}},
        {"Pumper, gain and no auto-gain",
         9,
         {{tmx1::kThreshold, half}, {tmx1::kGain, 0.8f}, {tmx1::kAutoGain, 0.0f}}},
        {"Classic brick-wall unlinked",
         7,
         {{tmx1::kThreshold, thresholdFor(0.25)}, {tmx1::kStereoLink, 0.0f}}},
    };
}

// How the effect is driven: which copy of its block loop, and in blocks of how many frames.
struct Drive {
    tmx1::LoopWidth width;
    std::size_t block;
    float sampleRate = 44100.0f;
};

// A host's request between blocks, made to the effect and to the model alike.
using Request = std::function<void(Rig&, reference::ReferenceCompressor&)>;
using Requests = std::vector<std::pair<std::size_t, Request>>; // in order of their frames

// Runs `input` through the effect and the model in blocks, each request before the first block that
// starts at or after its frame. Every output sample must agree exactly, and so must the meters and the
// over-compression latch at the end of every block.
void expectSameAsModel(Rig& rig, reference::ReferenceCompressor& model, const Stereo& input, std::size_t block,
                       const Requests& requests, const std::string& where) {
    int mismatches = 0;
    std::size_t next = 0;
    for (std::size_t start = 0; start < input.size() && mismatches < 5; start += block) {
        for (; next < requests.size() && requests[next].first <= start; ++next)
            requests[next].second(rig, model);
        if (start > 0)
            model.blockStart();
        const std::size_t frames = std::min(block, input.size() - start);
        Stereo in(frames), out(frames);
        std::copy_n(input.left.begin() + static_cast<long>(start), frames, in.left.begin());
        std::copy_n(input.right.begin() + static_cast<long>(start), frames, in.right.begin());
        out = rig.run(in, static_cast<int>(frames));
        for (std::size_t i = 0; i < frames && mismatches < 5; ++i) {
            const auto [l, r] = model.step(in.left[i], in.right[i]);
            if (out.left[i] != l || out.right[i] != r) {
                ++mismatches;
                ADD_FAILURE() << where << ": frame " << start + i << " left " << out.left[i] << " vs " << l
                              << ", right " << out.right[i] << " vs " << r;
            }
        }
        for (int k = 0; k < tmx1::kNumMeters && mismatches < 5; ++k)
            if (rig.plugin.meterValue(k) != model.meters()[static_cast<std::size_t>(k)]) {
                ++mismatches;
                ADD_FAILURE() << where << ": meter " << k << " after frame " << start + frames << ": "
                              << rig.plugin.meterValue(k) << " vs " << model.meters()[static_cast<std::size_t>(k)];
            }
        if (rig.probe.meanSquares() != model.meanSquares()) {
            ++mismatches;
            ADD_FAILURE() << where << ": running mean square after frame " << start + frames;
        }
        if (rig.plugin.isOcLatched() != model.overCompressed()) {
            ++mismatches;
            ADD_FAILURE() << where << ": over-compression latch after frame " << start + frames;
        }
    }
}

std::string describe(const char* name, Drive drive) {
    return std::string(name) + ", " + dsp_testing::nameOf(drive.width) + ", blocks of " +
           std::to_string(drive.block) + " at " + std::to_string(drive.sampleRate) + " Hz";
}

constexpr std::uint32_t kSeed = 0x1234567u;

// A fresh effect on `setting` after its ramps have ended in silence (the model starts without
// ramps), against the model of the same values, from the same dither state.
void expectMatchesModel(const Setting& setting, const Stereo& input, Drive drive) {
    Rig rig(drive.sampleRate, setting.program);
    rig.probe.useLoops(drive.width);
    for (auto [index, value] : setting.changes)
        rig.set(index, value);
    rig.idle(std::max<std::size_t>(8192, static_cast<std::size_t>(drive.sampleRate * 0.2f)));
    rig.plugin.suspend();
    tmx1::dither::setStateForTesting(kSeed);
    reference::ReferenceCompressor model(programValues(rig), drive.sampleRate, kSeed);
    expectSameAsModel(rig, model, input, drive.block, {}, describe(setting.name, drive));
}

// A fresh effect with audio from its first block, and the host's requests on the way.
void expectMatchesModelFromTheStart(const char* name, int program, const Stereo& input, Drive drive,
                                    const Requests& requests) {
    Rig rig(drive.sampleRate, program);
    rig.probe.useLoops(drive.width);
    tmx1::dither::setStateForTesting(kSeed);
    reference::ReferenceCompressor model(programValues(rig), drive.sampleRate, kSeed);
    expectSameAsModel(rig, model, input, drive.block, requests, describe(name, drive));
}

TEST(AgainstTheModel, EveryReleaseTypeAndSwitchSampleBySample) {
    for (const tmx1::LoopWidth width : dsp_testing::loopWidths())
        for (const Setting& s : settings()) {
            expectMatchesModel(s, impulse(2000, 100, 1.0f), {width, 300});
            expectMatchesModel(s, stepSignal(6000, 50, 0.9f), {width, 300});
            expectMatchesModel(s, sine(6000, 220.0, 2.5f), {width, 300}); // above 2.0: the formula path
            expectMatchesModel(s, noiseBursts(12000, 7), {width, 300});
        }
}

// Chunks inside the block loop, the delay line's wrap and the meter period fall at other frames with
// every block size; blocks of one frame take each frame alone.
TEST(AgainstTheModel, EveryBlockSizeFromOneFrameUp) {
    for (const tmx1::LoopWidth width : dsp_testing::loopWidths())
        for (const Setting& s : settings())
            for (std::size_t block : {1u, 2u, 63u, 64u, 65u, 4096u}) {
                Stereo input = noiseBursts(block == 1 ? 5000 : 9000, 11);
                expectMatchesModel(s, input, {width, block});
                // and the louder channel on the right, where only Stereo Link lets it steer the left
                std::swap(input.left, input.right);
                expectMatchesModel(s, input, {width, block});
            }
}

// At very low rates the meter period (a tenth of a second) is shorter than the block loop's chunks,
// and at high ones the look-ahead is longer.
TEST(AgainstTheModel, SampleRatesFromVeryLowToVeryHigh) {
    for (const tmx1::LoopWidth width : dsp_testing::loopWidths())
        for (const Setting& s : settings())
            for (float rate : {300.0f, 1000.0f, 96000.0f, 384000.0f})
                expectMatchesModel(s, noiseBursts(9000, 13), {width, 512, rate});
}

// Audio from the first block on: the first block sets every value without a ramp, the release
// coefficient with the release type set in the same pass, so nothing restarts at the second block
// and the start sounds the same whatever the host's block size.
TEST(AgainstTheModel, EveryProgramFromItsFirstBlockWhateverTheBlockSize) {
    const Stereo input = noiseBursts(9000, 17);
    for (int program = 0; program < 10; ++program)
        for (std::size_t block : {64u, 512u, 1024u})
            expectMatchesModelFromTheStart(("program " + std::to_string(program)).c_str(), program, input,
                                           {tmx1::LoopWidth::baseline, block}, {});
}

// A host changes the rate as it should, switched off in between, or mid-stream without a word.
// The pre-stages' coefficients follow the new rate also where the release type stays the same.
TEST(AgainstTheModel, SampleRateChangesMidStreamForEveryReleaseType) {
    const auto rateTo = [](float rate, bool suspended) -> Request {
        return [rate, suspended](Rig& r, reference::ReferenceCompressor& m) {
            if (suspended) {
                r.plugin.suspend();
                m.suspend();
            }
            r.plugin.setSampleRate(rate);
            m.setSampleRate(rate);
            r.plugin.resume();
            m.resume();
        };
    };
    const Stereo input = noiseBursts(12288, 19);
    for (int type = 0; type < 5; ++type)
        for (auto [from, to] : {std::pair{44100.0f, 48000.0f}, std::pair{48000.0f, 44100.0f}})
            for (bool suspended : {true, false}) {
                const Request typeSet = [type](Rig& r, reference::ReferenceCompressor& m) {
                    r.set(tmx1::kReleaseType, static_cast<float>(type) / 4.0f);
                    m.setParameter(tmx1::kReleaseType, static_cast<float>(type) / 4.0f);
                };
                expectMatchesModelFromTheStart(("release type " + std::to_string(type)).c_str(), 0, input,
                                               {tmx1::LoopWidth::baseline, 512, from},
                                               {{512, typeSet}, {6144, rateTo(to, suspended)}});
            }
}

// A program change in the middle of noise: every parameter is sent, some with the value they have.
TEST(AgainstTheModel, ProgramChangesMidStream) {
    const auto program = [](int p) -> Request {
        return [p](Rig& r, reference::ReferenceCompressor& m) {
            r.plugin.setProgram(p);
            for (int i = 0; i < 10; ++i)
                m.setParameter(i, r.plugin.getParameter(i));
        };
    };
    const Stereo input = noiseBursts(16384, 23);
    for (float rate : {44100.0f, 48000.0f})
        for (std::size_t block : {300u, 512u})
            expectMatchesModelFromTheStart("Pumper, then Opto Mixdown and Hot Mastering", 9, input,
                                           {tmx1::LoopWidth::baseline, block, rate},
                                           {{3000, program(4)}, {9000, program(6)}});
}

// While parameters glide, after program switches and with the switches flipped, the copies of the
// block loop and the block sizes are also compared with one another:
// the outputs, the meters and, at the end, everything the audio thread carries, so that a field a
// block leaves unsaved (or saves from the wrong place) shows even before it is heard. The changes
// come every 4096 frames, a whole number of blocks of every size used.
struct Recording {
    Stereo out;
    std::vector<float> meters;
    tmx1::AudioState state;
};

using Change = std::function<void(Rig&)>;

Recording runWithChanges(const std::vector<Change>& changes, tmx1::LoopWidth width, int block,
                         std::size_t kSpacing = 4096) {
    // After the last change, two parts: its ramp ends in the first, and the chunks carry the state
    // through the second to the end.
    const std::size_t parts = changes.size() + 2;
    const Stereo input = noiseBursts(kSpacing * parts, 21);
    Rig rig(44100.0f, 0);
    rig.probe.useLoops(width);
    tmx1::dither::setStateForTesting(77); // after the effect has seeded it
    // Audio from the first block on: the start, too, must not depend on the block size.
    Recording result{Stereo(input.size()), {}, {}};
    for (std::size_t part = 0; part < parts; ++part) {
        if (part > 0 && part <= changes.size())
            changes[part - 1](rig);
        Stereo in(kSpacing);
        std::copy_n(input.left.begin() + static_cast<long>(part * kSpacing), kSpacing, in.left.begin());
        std::copy_n(input.right.begin() + static_cast<long>(part * kSpacing), kSpacing, in.right.begin());
        const Stereo out = rig.run(in, block);
        std::copy(out.left.begin(), out.left.end(), result.out.left.begin() + static_cast<long>(part * kSpacing));
        std::copy(out.right.begin(), out.right.end(), result.out.right.begin() + static_cast<long>(part * kSpacing));
        for (int k = 0; k < tmx1::kNumMeters; ++k)
            result.meters.push_back(rig.plugin.meterValue(k));
    }
    result.state = rig.probe.audio();
    // the one field the runs may differ in, and the estimator's copy of it
    result.state.loopWidth = tmx1::LoopWidth::baseline;
    result.state.truePeak.setWidth(tmx1::LoopWidth::baseline);
    return result;
}

void expectSame(const Recording& run, const Recording& reference, const std::string& where) {
    EXPECT_EQ(run.out.left, reference.out.left) << where;
    EXPECT_EQ(run.out.right, reference.out.right) << where;
    EXPECT_EQ(run.meters, reference.meters) << where;
    EXPECT_TRUE(run.state == reference.state) << where << ": the audio state differs in "
                                              << dsp_testing::differingFields(run.state, reference.state);
}

// Changes whose effect starts at the frame they arrive, whatever the block size: not Threshold or
// Knee (the gain table is rebuilt at the first block start after their ramps) nor Release Type
// (the release coefficient follows at the next block start). Blocks of one frame run every frame
// alone: the yardstick for the ramps' chunks, whose settings are made ahead, and for the chunks that
// follow a ramp. The block sizes put the ramp's end (4410 frames) and the blocks' ends everywhere in
// a chunk, and blocks of a few frames take the single-frame path mid-ramp.
TEST(AgainstItself, RampsGiveTheSameSamplesWhateverTheBlockSizeAndLoopCopy) {
    const std::vector<Change> changes{
        [](Rig& r) { r.set(tmx1::kGain, 0.9f); },      [](Rig& r) { r.set(tmx1::kStereoLink, 0.0f); },
        [](Rig& r) { r.set(tmx1::kBrickWall, 1.0f); }, [](Rig& r) { r.set(tmx1::kTruePeak, 1.0f); },
        [](Rig& r) { r.set(tmx1::kRelease, 0.1f); },   [](Rig& r) { r.set(tmx1::kAutoGain, 0.0f); },
        [](Rig& r) { r.set(tmx1::kPde, 0.0f); },
        [](Rig& r) { r.set(tmx1::kStereoLink, 1.0f); }, [](Rig& r) { r.set(tmx1::kGain, 0.3f); },
        [](Rig& r) { // several at once
            r.set(tmx1::kGain, 0.6f);
            r.set(tmx1::kRelease, 0.8f);
            r.set(tmx1::kBrickWall, 0.0f);
            r.set(tmx1::kAutoGain, 1.0f);
            r.set(tmx1::kTruePeak, 0.0f);
        },
    };
    const Recording reference = runWithChanges(changes, tmx1::LoopWidth::baseline, 1);
    for (const tmx1::LoopWidth width : dsp_testing::loopWidths())
        for (int block : {1, 2, 3, 4, 5, 37, 64, 100, 512, 1000, 4096})
            expectSame(runWithChanges(changes, width, block), reference,
                       std::string(dsp_testing::nameOf(width)) + ", blocks of " + std::to_string(block));
}

// A host playing an automation lane sends a new value before every block: a ramp always runs, and
// restarts with each value. Threshold and Knee too: their table waits for a ramp's end that never
// comes, so every frame takes the formula whatever the block size. The values change every 512
// frames; blocks that divide 512 see the same changes at the same frames as blocks of one. Release
// Type takes its coefficient at a block start, so its lane is compared between the loop copies at
// each block size instead.
TEST(AgainstItself, AutomationBeforeEveryBlockGivesTheSamplesOfSingleFrames) {
    const auto lane = [](int parameter, std::vector<float> values) {
        std::vector<Change> changes;
        for (std::size_t i = 0; i < 24; ++i)
            changes.push_back([parameter, v = values[i % values.size()]](Rig& r) { r.set(parameter, v); });
        return changes;
    };
    const std::vector<std::pair<const char*, std::vector<Change>>> lanes{
        {"Gain", lane(tmx1::kGain, {0.5f, 0.55f, 0.62f, 0.58f, 0.4f})},
        {"Knee", lane(tmx1::kKnee, {0.5f, 0.45f, 0.3f, 0.35f, 0.6f})},
        {"Release", lane(tmx1::kRelease, {0.5f, 0.3f, 0.2f, 0.6f, 0.9f})},
        {"Threshold", lane(tmx1::kThreshold, {thresholdFor(0.4), thresholdFor(0.3), thresholdFor(0.2),
                                              thresholdFor(0.35), thresholdFor(0.5)})},
        {"Brick-Wall", lane(tmx1::kBrickWall, {1.0f, 0.0f})},
    };
    for (const auto& [name, changes] : lanes) {
        const Recording reference = runWithChanges(changes, tmx1::LoopWidth::baseline, 1, 512);
        for (const tmx1::LoopWidth width : dsp_testing::loopWidths())
            for (int block : {4, 64, 128, 512})
                expectSame(runWithChanges(changes, width, block, 512), reference,
                           std::string(name) + ", " + dsp_testing::nameOf(width) + ", blocks of " +
                               std::to_string(block));
    }
    const std::vector<Change> types = lane(tmx1::kReleaseType, {1.0f, 0.75f, 0.5f, 0.25f, 0.0f});
    for (int block : {1, 4, 64, 512}) {
        const Recording reference = runWithChanges(types, tmx1::LoopWidth::baseline, block, 512);
        for (const tmx1::LoopWidth width : dsp_testing::loopWidths())
            expectSame(runWithChanges(types, width, block, 512), reference,
                       std::string("Release Type, ") + dsp_testing::nameOf(width) + ", blocks of " +
                           std::to_string(block));
    }
}

// The look-ahead line holds the last 256 dithered samples, whatever the block sizes that brought
// them: a longer look-ahead (a new sample rate without a suspend) reads further back into it than
// any frame did before. Blocks of one frame put each sample straight into the line.
TEST(DelayLine, HoldsTheLast256SamplesWhateverTheBlockSizeAndLoopCopy) {
    const Stereo input = noiseBursts(3000, 5);
    const auto linesAfter = [&](tmx1::LoopWidth width, std::size_t block, std::size_t frames) {
        Rig rig(44100.0f, 0);
        rig.probe.useLoops(width);
        rig.idle(8192, 4096);
        rig.plugin.suspend();
        tmx1::dither::setStateForTesting(99);
        Stereo in(frames);
        std::copy_n(input.left.begin(), frames, in.left.begin());
        std::copy_n(input.right.begin(), frames, in.right.begin());
        rig.run(in, static_cast<int>(block));
        return std::make_pair(rig.probe.delayLines(), rig.probe.delayWrite());
    };
    for (std::size_t frames : {100u, 255u, 3000u}) {
        const auto reference = linesAfter(tmx1::LoopWidth::baseline, 1, frames);
        EXPECT_EQ(reference.second, static_cast<int>(frames % 256));
        EXPECT_NE(reference.first.first, std::vector<float>(256, 0.0f)); // the samples did arrive
        for (const tmx1::LoopWidth width : dsp_testing::loopWidths())
            for (std::size_t block : {3u, 64u, 100u, 512u, 4096u})
                EXPECT_EQ(linesAfter(width, block, frames), reference)
                    << dsp_testing::nameOf(width) << ", " << frames << " frames in blocks of " << block;
    }
}

TEST(AgainstItself, ProgramSwitchesGiveTheSameSamplesWithEveryLoopCopy) {
    const std::vector<Change> changes{
        [](Rig& r) { r.plugin.setProgram(2); },        [](Rig& r) { r.set(tmx1::kThreshold, thresholdFor(0.3)); },
        [](Rig& r) { r.set(tmx1::kStereoLink, 0.0f); }, [](Rig& r) { r.set(tmx1::kKnee, 0.7f); },
        [](Rig& r) { r.plugin.setProgram(5); },        [](Rig& r) { r.set(tmx1::kBrickWall, 0.0f); },
        [](Rig& r) { r.plugin.setProgram(4); },        [](Rig& r) { r.plugin.setProgram(9); },
    };
    for (int block : {1, 3, 64, 100, 512, 4096}) {
        const Recording reference = runWithChanges(changes, tmx1::LoopWidth::baseline, block);
        for (const tmx1::LoopWidth width : dsp_testing::loopWidths())
            expectSame(runWithChanges(changes, width, block), reference,
                       std::string(dsp_testing::nameOf(width)) + ", blocks of " + std::to_string(block));
    }
}

// With the editor closed the meters stand still and nothing else changes: the block loop's frames
// without the meters' steps give the samples of those with them, for every release type, linked or
// not, whichever copy runs and wherever the editor opens or closes.
TEST(AgainstItself, TheEditorClosedChangesNoSample) {
    const auto program = [](int p) { return Change([p](Rig& r) { r.plugin.setProgram(p); }); };
    const auto editor = [](bool closed, bool reference) {
        return Change([closed, reference](Rig& r) {
            if (!reference)
                r.plugin.setEditorClosed(closed);
        });
    };
    const auto lane = [&](bool reference) {
        return std::vector<Change>{editor(true, reference),  program(1), program(2), editor(false, reference),
                                   program(4),               editor(true, reference),
                                   [](Rig& r) { r.set(tmx1::kStereoLink, 0.0f); },
                                   program(9),               program(0)};
    };
    for (int block : {1, 64, 512}) {
        const Recording reference = runWithChanges(lane(true), tmx1::LoopWidth::baseline, block, 2048);
        for (const tmx1::LoopWidth width : dsp_testing::loopWidths()) {
            const Recording closed = runWithChanges(lane(false), width, block, 2048);
            EXPECT_TRUE(closed.out.left == reference.out.left && closed.out.right == reference.out.right)
                << dsp_testing::nameOf(width) << ", blocks of " << block << ": the samples differ";
        }
    }
}

TEST(Latency, AnImpulseLeavesLookaheadSamplesLater) {
    for (float fs : {44100.0f, 48000.0f}) {
        Rig rig(fs, 0);
        rig.set(tmx1::kThreshold, 1.0f); // far above the impulse: no reduction
        rig.set(tmx1::kAutoGain, 0.0f);
        const Stereo out = rig.run(impulse(200, 50, 0.1f));
        const auto peak = std::max_element(out.left.begin(), out.left.end(),
                                           [](float a, float b) { return std::fabs(a) < std::fabs(b); });
        EXPECT_EQ(peak - out.left.begin(), 50 + (fs == 48000.0f ? 24 : 22)) << fs;
        EXPECT_NEAR(*peak, 0.1 * rig.probe.current(tmx1::kGain), 1e-6) << fs;
    }
}

// True Peak's estimates need frames after the one they are for: the audio waits as long, and the
// latency says so from the change on, whatever the rate's look-ahead.
TEST(Latency, TruePeakDelaysTheAudioByTheFramesItsEstimatesNeedAndSaysSo) {
    for (float fs : {44100.0f, 96000.0f}) {
        Rig rig(fs, 0);
        rig.set(tmx1::kThreshold, 1.0f);
        rig.set(tmx1::kAutoGain, 0.0f);
        const int lookahead = rig.plugin.getAeffect()->initialDelay;
        rig.set(tmx1::kTruePeak, 1.0f);
        EXPECT_EQ(rig.plugin.getAeffect()->initialDelay, lookahead + tmx1::kTruePeakFrames) << fs;
        const Stereo out = rig.run(impulse(200, 50, 0.1f));
        const auto peak = std::max_element(out.left.begin(), out.left.end(),
                                           [](float a, float b) { return std::fabs(a) < std::fabs(b); });
        EXPECT_EQ(peak - out.left.begin(), 50 + lookahead + tmx1::kTruePeakFrames) << fs;
        rig.set(tmx1::kTruePeak, 0.0f);
        EXPECT_EQ(rig.plugin.getAeffect()->initialDelay, lookahead) << fs;
    }
}

TEST(Limiting, ASinglePeakIsAlreadyReducedWhenItLeaves) {
    Rig rig(44100.0f, 8); // Classic
    rig.set(tmx1::kThreshold, thresholdFor(0.5));
    rig.set(tmx1::kKnee, 0.0f);
    rig.set(tmx1::kPde, 0.0f);
    rig.set(tmx1::kAutoGain, 0.0f);
    const Stereo out = rig.run(impulse(200, 50, 1.0f));
    // The dip has passed most of the smoother: about 0.55 of the peak is left.
    EXPECT_NEAR(out.left[72] / rig.probe.current(tmx1::kGain), 0.55, 0.03);
}

TEST(Limiting, ConstantInputSettlesAtTheThreshold) {
    Rig rig(44100.0f, 8);
    rig.set(tmx1::kThreshold, thresholdFor(0.5));
    rig.set(tmx1::kKnee, 0.0f);
    rig.set(tmx1::kAutoGain, 0.0f);
    const Stereo out = rig.run(Stereo(20000, 1.0f, 1.0f));
    EXPECT_NEAR(out.left.back(), 0.5 * rig.probe.current(tmx1::kGain), 1e-4);
}

TEST(Limiting, KneeCurveGivesTheDocumentedGains) {
    Rig rig(44100.0f, 8);
    rig.set(tmx1::kThreshold, thresholdFor(0.5));
    rig.set(tmx1::kKnee, static_cast<float>(std::log(2.0) / std::log(10.0))); // knee factor 2
    rig.idle(64);
    EXPECT_NEAR(rig.probe.staticGain(0.5f), 0.75, 1e-4);
    EXPECT_NEAR(rig.probe.staticGain(1.0f), 0.4375, 1e-4);
    EXPECT_NEAR(rig.probe.staticGain(2.0f), 0.234375, 1e-4);
    EXPECT_EQ(rig.probe.staticGain(0.2f), 1.0f);
}

TEST(BrickWall, NoSampleExceedsTheBoundInAnyProgram) {
    for (int program = 0; program < 10; ++program) {
        for (float link : {0.0f, 1.0f}) {
            Rig rig(44100.0f, program);
            rig.set(tmx1::kBrickWall, 1.0f);
            rig.set(tmx1::kStereoLink, link);
            rig.idle(8192); // the Brick-Wall switch glides; judge it once it is on
            const Stereo out = rig.run(noiseBursts(20000, static_cast<unsigned>(program)));
            const double makeUp =
                rig.plugin.getParameter(tmx1::kAutoGain) > 0.5f ? 1.0 / rig.probe.current(0) : 1.0;
            const double bound =
                rig.probe.current(tmx1::kThreshold) * makeUp * rig.probe.current(tmx1::kGain);
            float worst = 0.0f;
            for (std::size_t i = 0; i < out.size(); ++i)
                worst = std::max({worst, std::fabs(out.left[i]), std::fabs(out.right[i])});
            EXPECT_LE(worst, bound * (1 + 1e-6)) << "program " << program << " link " << link;
        }
    }
}

TEST(StereoLink, BothChannelsGetTheSameGainAndOneLoudChannelDucksTheOther) {
    Rig linked(44100.0f, 8);
    linked.set(tmx1::kThreshold, thresholdFor(0.25));
    linked.set(tmx1::kAutoGain, 0.0f);
    Stereo input(8000);
    for (std::size_t i = 0; i < input.size(); ++i) {
        input.left[i] = i >= 4000 ? 0.9f : 0.1f;
        input.right[i] = 0.1f;
    }
    const Stereo out = linked.run(input);
    const double gainL = out.left[7000] / input.left[7000 - 22];
    const double gainR = out.right[7000] / input.right[7000 - 22];
    EXPECT_NEAR(gainL, gainR, 1e-4);
    EXPECT_LT(gainR * linked.probe.current(tmx1::kGain), 0.5)
        << "the quiet right channel must be reduced too";

    Rig unlinked(44100.0f, 8);
    unlinked.set(tmx1::kThreshold, thresholdFor(0.25));
    unlinked.set(tmx1::kAutoGain, 0.0f);
    unlinked.set(tmx1::kStereoLink, 0.0f);
    const Stereo free = unlinked.run(input);
    EXPECT_NEAR(free.right[7000], input.right[7000 - 22] * unlinked.probe.current(tmx1::kGain), 1e-3);
}

// The gain a channel has `after` samples after a loud burst, relative to its recovered value.
double recoveredGainAfter(Rig& rig, std::size_t after) {
    Stereo input(6000 + after, 0.05f, 0.05f);
    for (std::size_t i = 1000; i < 6000; ++i)
        input.left[i] = input.right[i] = (i % 2 == 0) ? 0.95f : -0.95f;
    const Stereo out = rig.run(input);
    return out.left.back() / (0.05 * rig.probe.current(tmx1::kGain) *
                              (rig.plugin.getParameter(6) > 0.5f ? 1.0 / rig.probe.current(0) : 1.0));
}

TEST(Release, PdeRecoversFasterFromATransient) {
    auto configure = [](Rig& rig, float pde) {
        rig.set(tmx1::kThreshold, thresholdFor(0.2));
        rig.set(tmx1::kRelease, dsp_testing::releaseFor(1.0));
        rig.set(tmx1::kPde, pde);
    };
    Rig with(44100.0f, 0), without(44100.0f, 0);
    configure(with, 1.0f);
    configure(without, 0.0f);
    const double fast = recoveredGainAfter(with, 4410);
    const double slow = recoveredGainAfter(without, 4410);
    EXPECT_GT(fast, slow + 0.05) << "with PDE " << fast << ", without " << slow;
}

TEST(Release, EachTypeRecoversWithItsOwnShape) {
    // Classic is a single exponential: its recovery is fastest at the start. Pumper's six stages
    // in series start slowly and catch up (an S-shaped recovery).
    auto recovery = [](float type) {
        std::vector<double> gains;
        for (std::size_t after : {441u, 4410u, 44100u}) {
            Rig fresh(44100.0f, 8);
            fresh.set(tmx1::kThreshold, thresholdFor(0.2));
            fresh.set(tmx1::kRelease, dsp_testing::releaseFor(0.1));
            fresh.set(tmx1::kReleaseType, type);
            gains.push_back(recoveredGainAfter(fresh, after));
        }
        return gains;
    };
    const auto classic = recovery(1.0f), pumper = recovery(0.25f), opto = recovery(0.0f),
               smooth1 = recovery(0.75f);
    for (const auto* g : {&classic, &pumper, &opto, &smooth1}) {
        EXPECT_LT((*g)[0], (*g)[1]);
        EXPECT_NEAR((*g)[2], 1.0, 0.02) << "every type recovers fully within a second";
    }
    EXPECT_GT(classic[0], pumper[0]) << "Pumper starts its recovery slower than Classic";
    EXPECT_GT(classic[0], smooth1[0]) << "Smooth 1's pre-stages delay the start of the recovery";
}

TEST(Release, ChangingTheTypeRestartsTheStagesAtTheStaticGain) {
    Rig rig(44100.0f, 8);
    rig.set(tmx1::kThreshold, thresholdFor(0.2));
    rig.set(tmx1::kRelease, 1.0f); // 5 s: recovering slowly
    rig.run(Stereo(5000, 0.9f, 0.9f));
    rig.run(Stereo(512, 0.01f, 0.01f));
    EXPECT_LT(rig.probe.stageL(0), 0.9f);
    rig.set(tmx1::kReleaseType, 0.75f);
    rig.run(Stereo(1, 0.01f, 0.01f));
    EXPECT_EQ(rig.probe.stageL(0), 1.0f) << "all stages restart and follow the present static gain";
}

TEST(Silence, OnlyTheDitherComesOutAndTheGainsStayAtUnity) {
    Rig rig(44100.0f, 0);
    const Stereo out = rig.run(Stereo(44100));
    const double bound = 3e-8 * (1.0 / rig.probe.current(0)) * rig.probe.current(tmx1::kGain);
    for (std::size_t i = 0; i < out.size(); ++i)
        ASSERT_LE(std::fabs(out.left[i]), bound) << i;
    EXPECT_EQ(rig.probe.smoothL(2), 1.0f);
    EXPECT_NE(*std::max_element(out.left.begin(), out.left.end()), 0.0f) << "the dither reaches the output";
}

TEST(HostBuffers, ProcessAddsWhileProcessReplacingOverwrites) {
    const Stereo input = noiseBursts(1024, 3);
    Rig a(44100.0f, 0), b(44100.0f, 0);
    Stereo replaced(1024, 5.0f, 5.0f), added(1024, 5.0f, 5.0f);
    float* in[2] = {const_cast<float*>(input.left.data()), const_cast<float*>(input.right.data())};
    tmx1::dither::setStateForTesting(99);
    float* outA[2] = {replaced.left.data(), replaced.right.data()};
    a.plugin.processReplacing(in, outA, 1024);
    tmx1::dither::setStateForTesting(99);
    float* outB[2] = {added.left.data(), added.right.data()};
    b.plugin.process(in, outB, 1024);
    for (std::size_t i = 0; i < 1024; ++i) {
        ASSERT_EQ(added.left[i], 5.0f + replaced.left[i]) << i;
        ASSERT_EQ(added.right[i], 5.0f + replaced.right[i]) << i;
    }
}

TEST(HostBuffers, InPlaceProcessingGivesTheSameResult) {
    const Stereo input = noiseBursts(2048, 4);
    Rig a(44100.0f, 0), b(44100.0f, 0);
    tmx1::dither::setStateForTesting(5);
    const Stereo separate = a.run(input);
    tmx1::dither::setStateForTesting(5);
    Stereo inPlace = input;
    for (std::size_t start = 0; start < 2048; start += 512) {
        float* io[2] = {inPlace.left.data() + start, inPlace.right.data() + start};
        b.plugin.processReplacing(io, io, 512);
    }
    EXPECT_EQ(inPlace.left, separate.left);
    EXPECT_EQ(inPlace.right, separate.right);
}

TEST(BadInput, NonFiniteSamplesAreProcessedAsSilence) {
    Stereo input = noiseBursts(4096, 5);
    Stereo cleaned = input;
    for (std::size_t at : {100u, 2000u, 2001u, 3000u}) {
        input.left[at] = NAN;
        input.right[at] = at % 2 ? INFINITY : -INFINITY;
        cleaned.left[at] = cleaned.right[at] = 0.0f;
    }
    Rig a(44100.0f, 0), b(44100.0f, 0);
    tmx1::dither::setStateForTesting(11);
    const Stereo out = a.run(input);
    tmx1::dither::setStateForTesting(11);
    const Stereo expected = b.run(cleaned);
    EXPECT_EQ(out.left, expected.left);
    EXPECT_EQ(out.right, expected.right);
    for (float y : out.left)
        ASSERT_TRUE(std::isfinite(y));
}

TEST(BadInput, SecondsOfAbsurdlyLoudFiniteInputDoNotPoisonTheRelease) {
    // A level of 1e30 drives the static gain to exactly 0; after about ten seconds the PDE average
    // of the gain underflows to 0 as well, and 0 / 0 must not reach the release coefficients.
    Rig rig(44100.0f, 0);
    rig.run(Stereo(600000, 1e30f, 1e30f), 4096);
    const Stereo after = rig.run(Stereo(44100, 0.1f, 0.1f));
    for (float y : after.left)
        ASSERT_TRUE(std::isfinite(y));
    EXPECT_GT(std::fabs(after.left.back()), 0.05f) << "the gain recovers once the input is sane again";
}

TEST(BadInput, NullBuffersAndEmptyBlocksOnlyTakeTheParameterChanges) {
    Rig rig(44100.0f, 0);
    rig.plugin.processReplacing(nullptr, nullptr, 512);
    EXPECT_EQ(rig.probe.current(tmx1::kRelease), rig.probe.target(tmx1::kRelease))
        << "the block start still ran";
    float* none[2] = {nullptr, nullptr};
    rig.plugin.process(none, none, 0);
    rig.plugin.processReplacing(none, none, -3);
}

TEST(EarlyAudio, ProcessingBeforeTheFirstResumeUsesTheConstructionRate) {
    tmx1::APlugin plugin(dsp_testing::silentHost);
    plugin.setParameter(tmx1::kThreshold, 1.0f);
    plugin.setParameter(tmx1::kAutoGain, 0.0f);
    Stereo s = impulse(100, 10, 0.1f);
    float* io[2] = {s.left.data(), s.right.data()};
    plugin.processReplacing(io, io, 100);
    EXPECT_NEAR(s.left[32], 0.1f, 1e-3) << "delayed by the 22 samples of 44.1 kHz";
    EXPECT_LT(std::fabs(s.left[31]), 1e-6f);
}

} // namespace
