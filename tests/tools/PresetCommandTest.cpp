// Preset files through tmx1-host as a user makes and uses them: written by `preset`, read by --preset
// with the settings they were made from, and refused whole when damaged or made for another effect.
#include "tests/tools/HostProcess.h"
#include "tests/tools/TestSounds.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

using namespace testing_support;

std::string bytesOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

constexpr float kDither = 1e-6f; // far above the dither's noise, far below any setting's effect

class PresetCommand : public ::testing::Test {
  protected:
    ScratchFolder folder;

    std::string path(const std::string& name) const { return (folder / name).string(); }
    HostRun preset(const std::string& name, const std::string& settings) {
        return runHost("preset " + path(name) + " " + settings);
    }
    void writeInput() {
        Sound in = testSignal(2, 22050);
        in.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        writeSound(folder / "in.wav", in);
    }
    // Renders in.wav through TMX-1 with `settings`; the output's samples.
    std::vector<float> rendered(const std::string& name, const std::string& settings) {
        const HostRun r = runHost("render " + path("in.wav") + " " + path(name) + " " + settings);
        EXPECT_EQ(r.exitCode, 0) << r.output;
        return readSound(folder / name).samples;
    }
};

const char* const kSettings = "--program \"Smooth Tollimation\" --param Threshold=-18 \"Release Type=Opto\"";

TEST_F(PresetCommand, AWrittenProgramRendersAsTheSettingsItWasMadeFrom) {
    const HostRun written = preset("mine.fxp", kSettings);
    ASSERT_EQ(written.exitCode, 0) << written.output;
    EXPECT_NE(written.output.find("program \"Smooth Tollimation\""), std::string::npos) << written.output;
    writeInput();
    // Loaded over another program: every value must come from the file.
    const auto fromPreset = rendered("preset.wav", "--program 0 --preset " + path("mine.fxp"));
    EXPECT_LT(largestDifference(fromPreset, rendered("params.wav", kSettings)), kDither);
    EXPECT_GT(largestDifference(fromPreset, rendered("program0.wav", "--program 0")), 100 * kDither)
        << "the preset changed nothing";
}

// The desktop limiter takes a preset as the control lines of its file, one per parameter, in the
// units the panel shows (Opto is release type 0 there).
TEST_F(PresetCommand, APresetPrintsAsTheDesktopLimitersControlLines) {
    ASSERT_EQ(preset("mine.fxp", kSettings).exitCode, 0);
    const HostRun printed = runHost("preset --preset " + path("mine.fxp") + " --limiter");
    ASSERT_EQ(printed.exitCode, 0) << printed.output;
    for (const char* line : {"\"threshold\"    = -18\n", "\"release_type\" = 0\n", "\"true_peak\"    = 0\n"})
        EXPECT_NE(printed.output.find(line), std::string::npos) << line << " in\n" << printed.output;
    EXPECT_EQ(std::count(printed.output.begin(), printed.output.end(), '='), 1 + 10)
        << "the block and ten lines\n" << printed.output;
}

TEST_F(PresetCommand, ABankHoldsEveryProgramWithTheCurrentOneAsSet) {
    ASSERT_EQ(preset("all.fxb", "--program 3 --param Threshold=-20").exitCode, 0);
    for (const char* program : {"3", "5"}) {
        const std::string name = std::string("from-bank-") + program + ".fxp";
        ASSERT_EQ(preset(name, std::string("--program ") + program + " --preset " + path("all.fxb")).exitCode,
                  0);
        const std::string direct =
            std::string("--program ") + program + (program[0] == '3' ? " --param Threshold=-20" : "");
        ASSERT_EQ(preset("direct.fxp", direct).exitCode, 0);
        EXPECT_EQ(bytesOf(folder / name), bytesOf(folder / "direct.fxp")) << "program " << program;
    }
}

TEST_F(PresetCommand, DamagedOrForeignFilesAreRefusedWithTheirReasonAndWriteNothing) {
    ASSERT_EQ(preset("good.fxp", kSettings).exitCode, 0);
    const std::string good = bytesOf(folder / "good.fxp");
    std::ofstream(folder / "cut.fxp", std::ios::binary) << good.substr(0, good.size() - 5);
    std::string chunk = good;
    chunk.replace(8, 4, "FPCh");
    std::ofstream(folder / "opaque.fxp", std::ios::binary) << chunk;
    writeInput();
    const auto before = folder.entries();

    const struct {
        std::string arguments;
        std::string reason;
    } cases[] = {
        {"render " + path("in.wav") + " " + path("out.wav") + " --preset " + path("cut.fxp"),
         "cut.fxp: truncated"},
        {"render " + path("in.wav") + " " + path("out.wav") + " --preset " + path("opaque.fxp"),
         "holds opaque plug-in data"},
        {"render --plugin " FIXTURE_DELAY " " + path("in.wav") + " " + path("out.wav") + " --preset " +
             path("good.fxp"),
         "made for another plug-in (ID 'q4y9')"},
        {"preset " + path("good.fxp") + " --preset " + path("cut.fxp"), "truncated"},
        {"preset " + path("good.fxp") + " --preset " + path("absent.fxp"), "absent.fxp: cannot be read"},
    };
    for (const auto& c : cases) {
        const HostRun r = runHost(c.arguments);
        EXPECT_EQ(r.exitCode, 1) << r.output;
        EXPECT_NE(r.output.find(c.reason), std::string::npos) << c.arguments << "\n" << r.output;
    }
    EXPECT_EQ(folder.entries(), before);
    EXPECT_EQ(bytesOf(folder / "good.fxp"), good) << "a refused preset changed the file it was to replace";

    const HostRun wrongEnding = preset("settings.txt", "");
    EXPECT_EQ(wrongEnding.exitCode, 2) << wrongEnding.output;
    EXPECT_EQ(folder.entries(), before);
}

} // namespace
