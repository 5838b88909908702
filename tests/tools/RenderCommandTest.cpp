// `tmx1-host render` as a user runs it, through a fixture effect whose output is known exactly: a
// one-millisecond delay (reported only after resume) with a gain and a ceiling.
#include "tests/tools/HostProcess.h"
#include "tests/tools/TestSounds.h"
#include "toolkit/PictureFile.h"
#include "tools/tmx1-host/DemoSignal.h"

#include <ebur128.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <set>
#include <span>

namespace {

using namespace testing_support;

constexpr int kFixtureDelayAt44k = 44; // one millisecond

Sound wav(Sound sound) {
    sound.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    return sound;
}

class Render : public ::testing::Test {
  protected:
    ScratchFolder folder;

    // Writes `sound` as `name` and renders it to out.wav with the delay fixture.
    HostRun render(const Sound& sound, const std::string& name, const std::string& options = "",
                   const char* plugin = FIXTURE_DELAY) {
        writeSound(folder / name, sound);
        return runHost("render --plugin " + std::string(plugin) + " " + (folder / name).string() + " " +
                       output().string() + " " + options);
    }
    std::filesystem::path output() const { return folder / "out.wav"; }
};

// Output frame i against input frame i - shift, scaled; frames before the shift must be silent.
void expectShiftedCopy(const Sound& in, const Sound& out, long shift, float scale = 1.0f) {
    ASSERT_EQ(out.channels, 2);
    for (long i = 0; i < out.frames(); ++i)
        for (int c = 0; c < 2; ++c) {
            const float expected = i < shift ? 0.0f : scale * in.at(i - shift, std::min(c, in.channels - 1));
            ASSERT_FLOAT_EQ(out.at(i, c), expected) << "frame " << i << " channel " << c;
        }
}

// --- alignment and length

class RenderBlocks : public Render, public ::testing::WithParamInterface<int> {};

TEST_P(RenderBlocks, CompensatedOutputIsTheInputSampleForSampleAndExactlyAsLong) {
    const Sound in = wav(testSignal(2, 3001));
    const HostRun r = render(in, "in.wav", "--block " + std::to_string(GetParam()));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const Sound out = readSound(output());
    ASSERT_EQ(out.frames(), in.frames());
    expectShiftedCopy(in, out, 0);
}

// Blocks shorter than the latency make the tail flush span several blocks; one frame is the extreme.
INSTANTIATE_TEST_SUITE_P(BlockSizes, RenderBlocks, ::testing::Values(1, 16, 100, 512, 4096));

TEST_F(Render, LatencyIsReadAfterResumeAtTheFileRate) {
    const Sound in = wav(testSignal(2, 800, 8000)); // the fixture reports 7 before resume, 8 after
    const HostRun r = render(in, "in.wav");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("Latency           8 samples, compensated"), std::string::npos) << r.output;
    const Sound out = readSound(output());
    EXPECT_EQ(out.sampleRate, 8000);
    expectShiftedCopy(in, out, 0);
}

TEST_F(Render, WithoutCompensationTheOutputKeepsTheDelayAndTheInputLength) {
    const Sound in = wav(testSignal(2, 1000));
    const HostRun r = render(in, "in.wav", "--no-latency-comp --block 64");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const Sound out = readSound(output());
    ASSERT_EQ(out.frames(), in.frames());
    expectShiftedCopy(in, out, kFixtureDelayAt44k);
}

// --- channels and file formats

TEST_F(Render, MonoInputFeedsBothChannelsAndIsWrittenAsStereo) {
    const Sound in = wav(testSignal(1, 500));
    const HostRun r = render(in, "mono.wav");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    expectShiftedCopy(in, readSound(output()), 0);
}

TEST_F(Render, AccumulatingOnlyEffectsGetClearedOutputBuffersEveryBlock) {
    const Sound in = wav(testSignal(2, 2000));
    const HostRun r = render(in, "in.wav", "--block 128", FIXTURE_DELAY_ACCUMULATING);
    ASSERT_EQ(r.exitCode, 0) << r.output;
    expectShiftedCopy(in, readSound(output()), 0);
}

TEST_F(Render, OutputKeepsTheInputContainerWithFloatSamples) {
    for (const int container : {SF_FORMAT_WAV, SF_FORMAT_AIFF, SF_FORMAT_CAF}) {
        Sound in = testSignal(2, 300, 48000);
        in.format = container | SF_FORMAT_PCM_16;
        const HostRun r = render(in, "in.snd");
        ASSERT_EQ(r.exitCode, 0) << r.output;
        const Sound out = readSound(output());
        EXPECT_EQ(out.format, container | SF_FORMAT_FLOAT) << std::hex << container;
        EXPECT_EQ(out.sampleRate, 48000);
        EXPECT_EQ(out.frames(), 300);
    }
}

TEST_F(Render, FlacHoldsNoFloatsSoItsOutputIsFlacAt24Bits) {
    Sound in = testSignal(2, 2000);
    in.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    const HostRun r = render(in, "in.flac");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("FLAC"), std::string::npos) << r.output;
    const Sound out = readSound(output());
    EXPECT_EQ(out.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    const Sound pcm = readSound(folder / "in.flac");
    for (long i = 0; i < out.frames(); ++i)
        ASSERT_NEAR(out.at(i, 1), pcm.at(i, 1), 1.0 / (1 << 23)) << "frame " << i;
}

// --- programs and parameters

TEST_F(Render, ProgramIsChosenByExactNameOrByNumber) {
    const Sound in = wav(testSignal(2, 400));
    for (const char* program : {"Half", "1"}) {
        const HostRun r = render(in, "in.wav", std::string("--program ") + program);
        ASSERT_EQ(r.exitCode, 0) << r.output;
        expectShiftedCopy(in, readSound(output()), 0, 0.5f);
    }
}

TEST_F(Render, ParametersApplyOnTopOfTheProgramInTheOrderGiven) {
    const Sound in = wav(testSignal(2, 400));
    const HostRun r = render(in, "in.wav", "--program Half --param 0=1 --param 0=0.75");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    expectShiftedCopy(in, readSound(output()), 0, 1.5f);
}

TEST_F(Render, OneParamOptionTakesSeveralSettings) {
    Sound in = wav(testSignal(2, 400));
    const HostRun r = render(in, "in.wav", "--param 0=0.25 1=0.1");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const Sound out = readSound(output());
    for (long i = 0; i < out.frames(); ++i)
        ASSERT_FLOAT_EQ(out.at(i, 0), std::clamp(0.5f * in.at(i, 0), -0.1f, 0.1f)) << "frame " << i;
}

TEST_F(Render, ProgramsAndParametersTheEffectLacksAreErrorsNotDefaults) {
    const Sound in = wav(testSignal(2, 100));
    for (const char* options : {"--program Nope", "--program 3", "--program -1", "--param 2=0.5",
                                "--param 0=1.5", "--param 0", "--param x=0.5"}) {
        const HostRun r = render(in, "in.wav", options);
        EXPECT_NE(r.exitCode, 0) << options;
        EXPECT_FALSE(std::filesystem::exists(output())) << options;
    }
}

// --- failures

TEST_F(Render, EachFailureIsOneLineAFailingExitAndNoFileUnderTheOutputName) {
    writeSound(folder / "in.wav", wav(testSignal(2, 100)));
    writeSound(folder / "three.wav", wav(testSignal(3, 100)));
    std::ofstream(folder / "text.wav") << "not audio at all\n";
    std::filesystem::create_directory(folder / "busy.wav");
    std::filesystem::create_directory(folder / "busy.wav" / "inside");
    const std::string in = (folder / "in.wav").string();
    struct Case {
        std::string input, output, reason;
    };
    const Case cases[] = {
        {(folder / "missing.wav").string(), output().string(), "no such file"},
        {(folder / "text.wav").string(), output().string(), "not a readable audio file"},
        {(folder / "three.wav").string(), output().string(), "3 channels"},
        {in, (folder / "no-such-folder" / "out.wav").string(), "cannot be written"},
        {in, (folder / "busy.wav").string(), "cannot be written"}, // complete, but the rename fails
    };
    const auto before = folder.entries();
    for (const auto& c : cases) {
        const HostRun r =
            runHost("render --plugin " + std::string(FIXTURE_DELAY) + " " + c.input + " " + c.output);
        EXPECT_EQ(r.exitCode, 1) << r.output;
        EXPECT_EQ(lineCount(r.output), 1) << r.output;
        EXPECT_NE(r.output.find(c.reason), std::string::npos) << r.output;
        EXPECT_EQ(folder.entries(), before) << "left behind by: " << r.output;
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder / "busy.wav" / "inside"));
}

TEST_F(Render, MissingFilesAndUnknownOptionsAreUsageErrors) {
    EXPECT_EQ(runHost("render in.wav").exitCode, 2);
    EXPECT_EQ(runHost("render a.wav b.wav c.wav").exitCode, 2);
    EXPECT_EQ(runHost("render a.wav b.wav --frobnicate").exitCode, 2);
    EXPECT_EQ(runHost("render a.wav b.wav --block 0").exitCode, 2);
    EXPECT_EQ(runHost("render a.wav b.wav --block").exitCode, 2);
}

// --- what the user sees

Sound loudThenQuiet() {
    Sound sound = wav(testSignal(2, 0));
    for (long i = 0; i < 8820; ++i) {
        const float level = i < 4410 ? 0.8f : 0.1f;
        const auto sample = level * static_cast<float>(std::sin(0.05 * static_cast<double>(i)));
        sound.samples.insert(sound.samples.end(), {sample, sample});
    }
    return sound;
}

TEST_F(Render, SummaryShowsPeaksOfInputAndOutputInDbfs) {
    const HostRun r = render(loudThenQuiet(), "in.wav", "--program Half");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("Input peak        -1.9 dBFS\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Output peak       -8.0 dBFS\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("x real time"), std::string::npos) << r.output;
}

TEST_F(Render, MakeUpGainIsNotReportedAsGainReduction) {
    const HostRun r = render(loudThenQuiet(), "in.wav", "--param 0=0.6");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("Gain reduction    0.0 dB largest"), std::string::npos) << r.output;
}

TEST_F(Render, LimitingTheLoudPartIsReportedAsItsGainReduction) {
    // The ceiling of 0.4 halves the 0.8 peaks and leaves the 0.1 part alone: 6.0 dB.
    const HostRun r = render(loudThenQuiet(), "in.wav", "--param 1=0.4");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("Gain reduction    6.0 dB largest"), std::string::npos) << r.output;
}

// The number after `key` in the summary, or NaN when the key is missing.
double figure(const std::string& summary, const std::string& key) {
    const auto at = summary.find(key);
    return at == std::string::npos ? std::nan("") : std::stod(summary.substr(at + key.size()));
}

TEST_F(Render, SummaryShowsTruePeakAndLoudnessOfInputAndOutput) {
    Sound sine = wav(testSignal(2, 0, 48000));
    for (long i = 0; i < 48000 * 3; ++i) {
        const auto sample = static_cast<float>(0.1 * std::sin(2.0 * std::numbers::pi * 997.0 * i / 48000.0));
        sine.samples.insert(sine.samples.end(), {sample, sample});
    }
    const HostRun r = render(sine, "in.wav", "--program Half");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NEAR(figure(r.output, "Input loudness    "), -20.0, 0.1) << r.output;
    EXPECT_NEAR(figure(r.output, "Input loudness    ") - figure(r.output, "Output loudness   "), 6.02, 0.05);
    EXPECT_NEAR(figure(r.output, "Input true peak   "), -20.0, 0.1) << r.output;
    EXPECT_NEAR(figure(r.output, "Output true peak  "), -26.0, 0.1) << r.output;
    EXPECT_NEAR(figure(r.output, "LU range, "), -20.0, 0.1) << "the highest short-term loudness";

    Sound silence = wav(testSignal(2, 0));
    silence.samples.assign(2 * 44100, 0.0f);
    const HostRun quiet = render(silence, "silent.wav");
    ASSERT_EQ(quiet.exitCode, 0) << quiet.output;
    EXPECT_NE(quiet.output.find("Output true peak  -inf dBTP\n"), std::string::npos) << quiet.output;
    EXPECT_NE(
        quiet.output.find("Output loudness   -inf LUFS integrated, 0.0 LU range, -inf LUFS short-term max\n"),
        std::string::npos)
        << quiet.output;
}

// --- TMX-1's parameters by name, in the units its panel shows

TEST_F(Render, NamesInThePanelsUnitsSetWhatTheirNormalisedValuesSet) {
    writeSound(folder / "in.wav", loudThenQuiet());
    const auto renderTmx1 = [this](const std::string& name, const std::string& options) {
        const HostRun r = runHost("render " + (folder / "in.wav").string() + " " + (folder / name).string() +
                                  " " + options);
        EXPECT_EQ(r.exitCode, 0) << r.output;
        return readSound(folder / name).samples;
    };
    constexpr float kDither = 1e-6f;
    // The panel shows -6 dB at 0.68, 250 ms at 0.5663 and 3 dB at 0.15.
    const auto byName = renderTmx1(
        "name.wav",
        "--param threshold=-6 Release=250ms 'Release Type=Opto' PDE=On --param Knee=3 'brick-wall=off'");
    const auto byIndex = renderTmx1("index.wav", "--param 0=0.68 1=0.5663 3=0 2=1 4=0.15 7=0");
    EXPECT_LT(largestDifference(byName, byIndex), kDither);
    EXPECT_GT(largestDifference(byName, renderTmx1("default.wav", "")), 100 * kDither)
        << "settings that change nothing prove nothing";
}

// Each case, `render ARGUMENTS OPTIONS`, exits as a usage error whose message says `reason`.
void expectUsageErrors(const std::string& arguments,
                       std::span<const std::pair<const char*, const char*>> cases) {
    for (const auto& [options, reason] : cases) {
        const HostRun r = runHost("render " + arguments + " " + options);
        EXPECT_EQ(r.exitCode, 2) << r.output;
        EXPECT_NE(r.output.find(reason), std::string::npos) << r.output;
    }
}

TEST_F(Render, UnknownNamesAndValuesOutOfRangeAreRefusedWithWhatWouldDo) {
    writeSound(folder / "in.wav", loudThenQuiet());
    const std::string files = (folder / "in.wav").string() + " " + output().string();
    const std::pair<const char*, const char*> cases[] = {
        {"Treshold=-6", "Threshold, Release, PDE, Release Type, Knee, Gain, Auto-Gain, Brick-Wall"},
        {"Threshold=12", "Threshold takes -40 to 10 dB, not '12'"},
        {"Release=2", "Release takes 5 to 5000 ms"},
        {"Knee=soft", "Knee takes 0 to 20 dB"},
        {"PDE=yes", "PDE takes On or Off"},
        {"'Release Type=Fast'", "Release Type takes Opto, Pumper, Smooth 2, Smooth 1 or Classic"},
        {"0=1.5", "outside 0..1"},
    };
    expectUsageErrors(files + " --param", cases);
    // TMX-1's names and units mean nothing to another effect.
    const HostRun other =
        runHost("render --plugin " + std::string(FIXTURE_DELAY) + " " + files + " --param Threshold=-6");
    EXPECT_EQ(other.exitCode, 1) << other.output;
    EXPECT_NE(other.output.find("parameter 0 of this effect is \"Gain\""), std::string::npos) << other.output;
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"in.wav"}));
}

// --- the plot

TEST_F(Render, PlotIsAPictureOfBothLevelsBesideAnUnchangedOutput) {
    const Sound in = loudThenQuiet();
    const HostRun r = render(in, "in.wav", "--param 1=0.4 --plot " + (folder / "levels.png").string());
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("Plotted levels and gain -> " + (folder / "levels.png").string()),
              std::string::npos)
        << r.output;
    const Sound out = readSound(output());
    for (long i = 0; i < out.frames(); ++i)
        ASSERT_FLOAT_EQ(out.at(i, 0), std::clamp(in.at(i, 0), -0.4f, 0.4f)) << "frame " << i;

    const toolkit::TPictureData picture = toolkit::LoadPictureFile((folder / "levels.png").string());
    EXPECT_EQ(picture.width, 1200);
    EXPECT_EQ(picture.height, 600);
    const std::set<std::uint32_t> colours(picture.pixels.begin(), picture.pixels.end());
    EXPECT_GT(colours.size(), 100u) << "a blank or nearly blank picture";
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"in.wav", "levels.png", "out.wav"}));
}

TEST_F(Render, PlotThatCannotBeWrittenFailsAtOnceAndLeavesNoFileAtAll) {
    writeSound(folder / "in.wav", loudThenQuiet());
    std::filesystem::create_directory(folder / "taken.png");
    const auto before = folder.entries();
    for (const auto& plot : {folder / "no-such-folder" / "levels.png", folder / "taken.png"}) {
        const HostRun r =
            runHost("render --plugin " + std::string(FIXTURE_DELAY) + " " + (folder / "in.wav").string() +
                    " " + output().string() + " --plot " + plot.string());
        EXPECT_EQ(r.exitCode, 1) << r.output;
        EXPECT_EQ(lineCount(r.output), 1) << r.output;
        EXPECT_NE(r.output.find(plot.string() + ": cannot be written"), std::string::npos) << r.output;
        EXPECT_EQ(folder.entries(), before) << "left behind by: " << r.output;
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder / "taken.png"));
    // Before any work: the plot is refused before the plug-in is even looked for.
    const HostRun r =
        runHost("render --plugin " + (folder / "missing.so").string() + " " + (folder / "in.wav").string() +
                " " + output().string() + " --plot " + (folder / "no-such-folder" / "levels.png").string());
    EXPECT_NE(r.output.find("levels.png: cannot be written"), std::string::npos) << r.output;
}

TEST_F(Render, PlotOverTheInputOrTheOutputIsAUsageError) {
    writeSound(folder / "in.wav", loudThenQuiet());
    const std::string files = (folder / "in.wav").string() + " " + output().string();
    EXPECT_EQ(runHost("render " + files + " --plot " + output().string()).exitCode, 2);
    EXPECT_EQ(runHost("render " + files + " --plot " + (folder / "." / "in.wav").string()).exitCode, 2);
    EXPECT_EQ(runHost("render " + files + " --plot").exitCode, 2);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"in.wav"}));
}

TEST_F(Render, ProgressBarOnlyOnATerminal) {
    writeSound(folder / "in.wav", loudThenQuiet());
    const std::string arguments = "render --plugin " + std::string(FIXTURE_DELAY) + " " +
                                  (folder / "in.wav").string() + " " + output().string();
    const HostRun piped = runHost(arguments, Captured::errorsOnly);
    EXPECT_EQ(piped.exitCode, 0);
    EXPECT_EQ(piped.output, "");
    const HostRun interactive = runHostOnTerminal(arguments + " --block 64");
    EXPECT_EQ(interactive.exitCode, 0) << interactive.output;
    EXPECT_NE(interactive.output.find("Rendering ["), std::string::npos) << interactive.output;
    EXPECT_NE(interactive.output.find("100%"), std::string::npos) << interactive.output;
}

// --- a loudness target

// The host's demo material: drums and bass with a quiet passage, six seconds.
Sound drumsAndBass() {
    const host::DemoSignal demo(44100);
    Sound sound = wav(testSignal(2, 0));
    for (std::size_t i = 0; i < demo.signal().frames(); ++i)
        sound.samples.insert(sound.samples.end(), {demo.signal().left[i], demo.signal().right[i]});
    return sound;
}

// Measured here rather than by the host.
double integratedLufs(const Sound& sound) {
    ebur128_state* state = ebur128_init(static_cast<unsigned>(sound.channels),
                                        static_cast<unsigned long>(sound.sampleRate), EBUR128_MODE_I);
    ebur128_add_frames_float(state, sound.samples.data(), static_cast<std::size_t>(sound.frames()));
    double lufs = 0.0;
    ebur128_loudness_global(state, &lufs);
    ebur128_destroy(&state);
    return lufs;
}

// The word after `key` in the summary.
std::string wordAfter(const std::string& summary, const std::string& key) {
    const auto at = summary.find(key);
    if (at == std::string::npos)
        return "";
    const auto start = at + key.size();
    return summary.substr(start, summary.find(' ', start) - start);
}

TEST_F(Render, LoudnessTargetIsMetInTheWrittenFileWithTheSettingsItReports) {
    writeSound(folder / "in.wav", drumsAndBass());
    const std::string in = (folder / "in.wav").string();
    const HostRun r = runHostOnTerminal("render " + in + " " + output().string() +
                                        " --program \"Hot Mastering\" --loudness -14 --ceiling -1");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("trial 1: Threshold -40.00 dB -> "), std::string::npos) << r.output;
    EXPECT_NE(
        r.output.find("Loudness target   -14.0 LUFS integrated, ceiling -1.0 dBTP: True Peak, Brick-Wall "
                      "and Auto-Gain On, Gain -1.0 dB"),
        std::string::npos)
        << r.output;
    const Sound out = readSound(output());
    EXPECT_NEAR(integratedLufs(out), -14.0, 0.1);
    EXPECT_NEAR(figure(r.output, "Output loudness   "), integratedLufs(out), 0.05) << r.output;

    // The same program with the settings the report names, given by hand, makes the same file.
    const std::string threshold = wordAfter(r.output, "Threshold         ");
    ASSERT_FALSE(threshold.empty()) << r.output;
    const HostRun byHand = runHost("render " + in + " " + (folder / "by-hand.wav").string() +
                                   " --program 'Hot Mastering' --param Threshold=" + threshold +
                                   " Gain=-1 Auto-Gain=On Brick-Wall=On 'True Peak=On'");
    ASSERT_EQ(byHand.exitCode, 0) << byHand.output;
    const Sound same = readSound(folder / "by-hand.wav");
    ASSERT_EQ(same.samples.size(), out.samples.size());
    for (std::size_t i = 0; i < out.samples.size(); ++i)
        ASSERT_NEAR(same.samples[i], out.samples[i], 1e-5) << "sample " << i << " (dither aside)";
}

TEST_F(Render, LoudnessTargetOutOfReachFailsInOneLineAndWritesNothing) {
    writeSound(folder / "in.wav", drumsAndBass());
    Sound silence = wav(testSignal(2, 0));
    silence.samples.assign(2 * 44100, 0.0f);
    writeSound(folder / "silent.wav", silence);
    const std::pair<std::string, std::string> cases[] = {
        {"in.wav --loudness -3", "cannot reach -3.0 LUFS: the loudest TMX-1 can make this with a -1.0 dBTP "
                                 "ceiling is "},
        {"in.wav --loudness -60 --ceiling -2",
         "cannot reach -60.0 LUFS: the quietest TMX-1 can make this with a "
         "-2.0 dBTP ceiling is "},
        {"silent.wav --loudness -14", "silent.wav has no integrated loudness"},
    };
    const auto before = folder.entries();
    for (const auto& [options, reason] : cases) {
        const std::string input = options.substr(0, options.find(' '));
        const HostRun r = runHost("render " + (folder / input).string() + " " + output().string() +
                                  options.substr(input.size()));
        EXPECT_EQ(r.exitCode, 1) << r.output;
        EXPECT_EQ(lineCount(r.output), 1) << r.output;
        EXPECT_NE(r.output.find(reason), std::string::npos) << r.output;
        EXPECT_EQ(folder.entries(), before) << "left behind by: " << r.output;
    }
}

TEST_F(Render, LoudnessTargetOptionsThatCannotWorkAreUsageErrors) {
    writeSound(folder / "in.wav", loudThenQuiet());
    const std::string files = (folder / "in.wav").string() + " " + output().string();
    const std::pair<const char*, const char*> cases[] = {
        {"--loudness -14 --ceiling 12", "--ceiling takes -10 to 10 dBTP (it sets Gain), not 12"},
        {"--loudness -14 --ceiling -10.5", "--ceiling takes -10 to 10 dBTP"},
        {"--ceiling -1", "--ceiling goes with --loudness"},
        {"--loudness loud", "--loudness needs a number in LUFS"},
        {"--loudness -14 --param Knee=3 Gain=0", "leave Gain out of --param"},
        {"--loudness -14 --param 0=0.5", "leave Threshold out of --param"},
    };
    expectUsageErrors(files, cases);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"in.wav"}));
}

} // namespace
