// What TMX-1.clap does to the sound, against the VST effect: every factory program at 44.1 and
// 48 kHz through the built library, and parameter events inside a block, which must sound as the
// VST effect does when its host splits the block at the event.
#include "clap/ClapParameters.h"
#include "dsp/APluginProgram.h"
#include "dsp/Dither.h"
#include "tests/clap/ClapTestHost.h"
#include "tests/clap/VstReference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

namespace {

using claptest::Change;
using claptest::ClapInstance;
using claptest::programChanges;
using claptest::Stereo;
using claptest::VstEffect;

// 60 ms of two tones, the left 3.5 dB over full scale, then 40 ms of silence for the release.
Stereo testSignal(int rate) {
    Stereo signal(static_cast<std::size_t>(rate / 10));
    for (std::size_t n = 0; n < signal.frames() * 6 / 10; ++n) {
        const double t = static_cast<double>(n) / rate;
        signal.left[n] = static_cast<float>(1.5 * std::sin(2 * std::numbers::pi * 220 * t));
        signal.right[n] = static_cast<float>(0.8 * std::sin(2 * std::numbers::pi * 330 * t));
    }
    return signal;
}

Stereo slice(const Stereo& audio, std::size_t from, std::size_t count) {
    Stereo part(count);
    std::copy_n(audio.left.begin() + static_cast<std::ptrdiff_t>(from), count, part.left.begin());
    std::copy_n(audio.right.begin() + static_cast<std::ptrdiff_t>(from), count, part.right.begin());
    return part;
}

void append(Stereo& to, const Stereo& part) {
    to.left.insert(to.left.end(), part.left.begin(), part.left.end());
    to.right.insert(to.right.end(), part.right.begin(), part.right.end());
}

// The input in blocks of `block` frames through an activated instance; the first block carries
// `first`.
Stereo renderClap(ClapInstance& instance, const Stereo& input, std::size_t block,
                  const std::vector<Change>& first) {
    Stereo output;
    for (std::size_t from = 0; from < input.frames(); from += block) {
        Stereo out;
        const auto status = instance.process(slice(input, from, std::min(block, input.frames() - from)), out,
                                             from == 0 ? first : std::vector<Change>{});
        EXPECT_EQ(status, clap::kProcessContinue);
        append(output, out);
    }
    return output;
}

Stereo renderVst(VstEffect& effect, const Stereo& input, std::size_t block) {
    Stereo output;
    for (std::size_t from = 0; from < input.frames(); from += block)
        append(output, effect.process(slice(input, from, std::min(block, input.frames() - from))));
    return output;
}

// The dither is seeded in each library: two libraries differ by noise of a few 1e-8.
constexpr float kSameSound = 1e-6f;

TEST(ClapSound, EveryFactoryProgramThroughTheLibrarySoundsAsTheVstEffectAt441And48kHz) {
    for (const int rate : {44100, 48000}) {
        const Stereo input = testSignal(rate);
        for (int program = 0; program < tmx1::kNumPrograms; ++program) {
            ClapInstance instance(claptest::loadedEntry());
            ASSERT_TRUE(instance.activate(rate));
            const Stereo viaClap = renderClap(instance, input, 1024, programChanges(program));
            VstEffect vst(rate, program);
            const Stereo viaVst = renderVst(vst, input, 1024);
            ASSERT_EQ(viaClap.frames(), viaVst.frames());
            for (std::size_t n = 0; n < viaVst.frames(); ++n) {
                ASSERT_NEAR(viaClap.left[n], viaVst.left[n], kSameSound)
                    << rate << " Hz, program " << program << ", frame " << n;
                ASSERT_NEAR(viaClap.right[n], viaVst.right[n], kSameSound)
                    << rate << " Hz, program " << program << ", frame " << n;
            }
        }
    }
}

// Bit for bit needs the same dither sequence: both effects are linked into this program and run one
// after the other from the same state of it.
constexpr std::uint32_t kSeed = 0x5eed1234u;

void expectSameBits(const Stereo& a, const Stereo& b, const std::string& what) {
    ASSERT_EQ(a.frames(), b.frames()) << what;
    for (std::size_t n = 0; n < a.frames(); ++n) {
        ASSERT_EQ(a.left[n], b.left[n]) << what << ", frame " << n;
        ASSERT_EQ(a.right[n], b.right[n]) << what << ", frame " << n;
    }
}

TEST(ClapSound, AnEventStartsAtItsFrameAsInTheVstEffectWhoseHostSplitsTheBlockThere) {
    const int rate = 48000;
    const Stereo input = testSignal(rate);
    // Block 1: the program at its start, then changes at frames 300, 301 (two at once) and 700.
    // Block 2: a change at its start only.
    const std::vector<Change> inside{{tmx1::kThreshold, -20.0, 300},
                                     {tmx1::kReleaseType, 0.0, 301},
                                     {tmx1::kGain, 4.0, 301},
                                     {tmx1::kStereoLink, 0.0, 700}};
    const std::vector<Change> atStart{{tmx1::kKnee, 12.0, 0}};
    constexpr std::size_t kBlock = 1024;

    ClapInstance instance(claptest::linkedEntry());
    ASSERT_TRUE(instance.activate(rate));
    VstEffect vst(rate, 3);

    tmx1::dither::setStateForTesting(kSeed);
    Stereo viaVst;
    std::size_t from = 0;
    for (const Change& change : inside) {
        if (change.frame > from)
            append(viaVst, vst.process(slice(input, from, change.frame - from)));
        vst.set(change.id, change.value);
        from = change.frame;
    }
    append(viaVst, vst.process(slice(input, from, kBlock - from)));
    vst.set(atStart[0].id, atStart[0].value);
    append(viaVst, vst.process(slice(input, kBlock, kBlock)));

    tmx1::dither::setStateForTesting(kSeed);
    std::vector<Change> first = programChanges(3);
    first.insert(first.end(), inside.begin(), inside.end());
    Stereo viaClap, out;
    ASSERT_EQ(instance.process(slice(input, 0, kBlock), out, first), clap::kProcessContinue);
    append(viaClap, out);
    ASSERT_EQ(instance.process(slice(input, kBlock, kBlock), out, atStart), clap::kProcessContinue);
    append(viaClap, out);

    expectSameBits(viaClap, viaVst, "events inside and at the start of blocks");
}

} // namespace
