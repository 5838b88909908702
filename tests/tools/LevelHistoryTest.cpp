// The levels a plot is drawn from: peaks per column of known signals, the gain between input and
// output, memory that stays small for long files, and the gain of real renders through effects.
#include "tools/tmx1-host/LevelHistory.h"
#include "tests/tools/TestSounds.h"
#include "tools/tmx1-host/Renderer.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <sstream>

namespace {

using host::LevelColumn;
using host::LevelEnvelope;
using host::LevelHistory;

constexpr int kRate = 44100;

// A sine of `frequency` Hz at `dbfs`, `seconds` long.
std::vector<float> tone(double dbfs, double seconds, double frequency = 1000.0) {
    std::vector<float> samples(static_cast<std::size_t>(seconds * kRate));
    const double amplitude = std::pow(10.0, dbfs / 20.0);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<float>(amplitude * std::sin(2.0 * M_PI * frequency * i / kRate));
    return samples;
}

std::vector<float> joined(std::vector<float> a, const std::vector<float>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void feed(LevelHistory& history, const std::vector<float>& in, const std::vector<float>& out, int block) {
    for (std::size_t at = 0; at < in.size(); at += static_cast<std::size_t>(block)) {
        const int n = static_cast<int>(std::min(in.size() - at, static_cast<std::size_t>(block)));
        history.addInput(in.data() + at, in.data() + at, n);
        history.addOutput(out.data() + at, out.data() + at, n);
    }
}

// --- known signals

TEST(LevelHistory, ASineAtMinus6DbfsReadsMinus6AndSilenceReadsTheFloorWithNoGain) {
    const auto signal = joined(tone(-6.0, 1.0), std::vector<float>(kRate, 0.0f));
    LevelHistory history(kRate);
    feed(history, signal, signal, 512);
    EXPECT_DOUBLE_EQ(history.seconds(), 2.0);
    const auto columns = history.columns(100);
    ASSERT_EQ(columns.size(), 100u);
    for (int c = 0; c < 48; ++c) {
        EXPECT_NEAR(columns[c].inputDb, -6.0, 0.05) << "column " << c;
        ASSERT_TRUE(columns[c].gainDb.has_value()) << "column " << c;
        EXPECT_NEAR(*columns[c].gainDb, 0.0, 1e-9) << "column " << c;
    }
    for (int c = 52; c < 100; ++c) {
        EXPECT_EQ(columns[c].inputDb, LevelHistory::kSilenceDb) << "column " << c;
        EXPECT_FALSE(columns[c].gainDb.has_value()) << "column " << c;
    }
}

TEST(LevelHistory, GainIsOutputOverInputPerColumnEvenWhenTheOutputIsLouder) {
    const auto in = tone(-10.0, 1.0);
    auto out = in;
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] *= i < out.size() / 2 ? 0.25f : 2.0f; // -12 dB, then +6 dB of make-up
    LevelHistory history(kRate);
    feed(history, in, out, 333);
    const auto columns = history.columns(10);
    for (int c : {0, 3}) {
        EXPECT_NEAR(columns[c].outputDb, -22.04, 0.05);
        EXPECT_NEAR(*columns[c].gainDb, -12.04, 0.01);
    }
    for (int c : {6, 9})
        EXPECT_NEAR(*columns[c].gainDb, 6.02, 0.01);
}

TEST(LevelHistory, InputBelowTheGainFloorShowsNoGainWhateverTheOutput) {
    const auto in = tone(-60.0, 0.5);
    const auto out = tone(-20.0, 0.5); // an effect's noise, not a gain of +40 dB
    LevelHistory history(kRate);
    feed(history, in, out, 512);
    for (const auto& column : history.columns(20))
        EXPECT_FALSE(column.gainDb.has_value());
}

TEST(LevelHistory, ABassNoteReadsSteadyWhenColumnsAreShorterThanItsPeriod) {
    const auto bass = tone(-6.0, 0.5, 41.0); // a 24 ms period, over columns of 0.5 ms
    LevelHistory history(kRate);
    feed(history, bass, bass, 512);
    const auto columns = history.columns(1000);
    for (std::size_t c = 0; c < columns.size(); ++c)
        ASSERT_NEAR(columns[c].inputDb, -6.0, 0.1) << "column " << c;
}

TEST(LevelHistory, ColumnsDoNotDependOnTheBlockSize) {
    const auto signal = joined(tone(-3.0, 0.3), tone(-40.0, 0.3, 220.0));
    LevelHistory single(kRate), large(kRate);
    feed(single, signal, signal, 1);
    feed(large, signal, signal, 4096);
    const auto a = single.columns(300), b = large.columns(300);
    for (std::size_t c = 0; c < a.size(); ++c) {
        ASSERT_EQ(a[c].inputDb, b[c].inputDb) << "column " << c;
        ASSERT_EQ(a[c].outputDb, b[c].outputDb) << "column " << c;
    }
}

// --- long files

TEST(LevelEnvelope, HoursTakeNoMoreSlicesThanSecondsAndKeepAClickWhereItWas) {
    // Two hours at a low rate: the slices merge several times over, yet the test stays quick.
    constexpr std::int64_t kFrames = std::int64_t{2} * 3600 * 1000;
    constexpr std::int64_t kClickAt = kFrames / 3;
    constexpr int kBlock = 4000;
    std::vector<float> block(kBlock, 0.001f);
    LevelEnvelope envelope;
    for (std::int64_t at = 0; at < kFrames; at += kBlock) {
        const std::int64_t offset = kClickAt - at;
        const bool click = offset >= 0 && offset < kBlock;
        if (click)
            block[static_cast<std::size_t>(offset)] = 0.9f;
        envelope.add(block.data(), block.data(), kBlock);
        if (click)
            block[static_cast<std::size_t>(offset)] = 0.001f;
    }
    EXPECT_EQ(envelope.frames(), kFrames);
    EXPECT_LE(envelope.slices(), LevelEnvelope::kMaxSlices);
    EXPECT_GE(envelope.slices(), LevelEnvelope::kMaxSlices / 2);
    const std::int64_t slice = envelope.sliceFrames();
    EXPECT_FLOAT_EQ(envelope.peakBetween(kClickAt, kClickAt + 1), 0.9f);
    EXPECT_FLOAT_EQ(envelope.peakBetween(kClickAt - 2 * slice, kClickAt - slice), 0.001f);
    EXPECT_FLOAT_EQ(envelope.peakBetween(kClickAt + slice, kClickAt + 2 * slice), 0.001f);
}

// --- real renders

using testing_support::ScratchFolder;

// Renders 0.5 s at `loud` dBFS then 0.5 s at `quiet` dBFS through a plug-in, with a plot.
host::RenderSummary renderTwoLevels(const std::string& plugin, double loud, double quiet,
                                    std::vector<host::ParameterSetting> parameters, bool compensate = true) {
    ScratchFolder folder;
    testing_support::Sound sound;
    sound.channels = 1;
    sound.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    sound.samples = joined(tone(loud, 0.5), tone(quiet, 0.5));
    testing_support::writeSound(folder / "in.wav", sound);
    host::RenderRequest request;
    request.pluginPath = plugin;
    request.inputPath = (folder / "in.wav").string();
    request.outputPath = (folder / "out.wav").string();
    request.plotPath = (folder / "plot.png").string();
    request.parameters = std::move(parameters);
    request.compensateLatency = compensate;
    std::ostringstream nowhere;
    host::ProgressBar progress(nowhere, "", 0);
    return host::render(request, progress);
}

TEST(RenderedLevels, ACeilingShowsAsItsGainOnTheLoudPartAndNoneOnTheQuietPart) {
    // The fixture clips at 0.4 (-8 dBFS): a -2 dBFS tone loses 6 dB, a -20 dBFS tone nothing.
    const auto summary = renderTwoLevels(FIXTURE_DELAY, -2.0, -20.0, {{1, 0.4f}});
    ASSERT_TRUE(summary.levels.has_value());
    const auto columns = summary.levels->columns(20);
    for (int c : {1, 8})
        EXPECT_NEAR(*columns[c].gainDb, -6.0, 0.05) << "column " << c;
    for (int c : {11, 18})
        EXPECT_NEAR(*columns[c].gainDb, 0.0, 0.01) << "column " << c;
}

TEST(RenderedLevels, GainIsMeasuredOnTheAlignedOutputEvenWhenTheFileKeepsTheLatency) {
    // A steady gain of -6 dB: any column that compared input with delayed output would see the loud
    // part's last millisecond in the quiet part's first column.
    const auto summary = renderTwoLevels(FIXTURE_DELAY, -2.0, -20.0, {{0, 0.25f}}, false);
    const auto columns = summary.levels->columns(20);
    for (std::size_t c = 0; c < columns.size(); ++c)
        EXPECT_NEAR(*columns[c].gainDb, -6.02, 0.01) << "column " << c;
}

TEST(RenderedLevels, TheCompressorReducesALoudToneAndLeavesAQuietOneAlone) {
    // Threshold -20 dB, auto-gain off, so that nothing but the reduction changes the level.
    const auto summary = renderTwoLevels(TMX1_PLUGIN_PATH, -3.0, -40.0, {{0, 0.4f}, {6, 0.0f}});
    ASSERT_TRUE(summary.levels.has_value());
    const auto columns = summary.levels->columns(20);
    for (int c : {4, 9}) // past the attack
        EXPECT_LT(*columns[c].gainDb, -3.0) << "column " << c;
    for (int c : {16, 19}) // past the release
        EXPECT_NEAR(*columns[c].gainDb, 0.0, 0.5) << "column " << c;
}

TEST(RenderedLevels, AreOnlyCollectedWhenAPlotIsAskedFor) {
    ScratchFolder folder;
    testing_support::Sound sound = testing_support::testSignal(2, 1000);
    sound.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    testing_support::writeSound(folder / "in.wav", sound);
    host::RenderRequest request;
    request.pluginPath = FIXTURE_DELAY;
    request.inputPath = (folder / "in.wav").string();
    request.outputPath = (folder / "out.wav").string();
    std::ostringstream nowhere;
    host::ProgressBar progress(nowhere, "", 0);
    EXPECT_FALSE(host::render(request, progress).levels.has_value());
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

} // namespace
