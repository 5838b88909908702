// lilv's own command-line host renders through each preset what tmx1-host renders through the same
// factory program with the VST library.
#include "lv2/PortMap.h"
#include "plugin/APluginProgram.h"
#include "tests/lv2/LilvBundle.h"
#include "tools/tmx1-host/Renderer.h"
#include "tools/tmx1-host/SoundFile.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <sstream>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Stereo {
    std::vector<float> left, right;
};

Stereo readSound(const std::string& path) {
    host::SoundReader reader(path);
    Stereo sound;
    sound.left.resize(static_cast<std::size_t>(reader.frames()));
    sound.right.resize(sound.left.size());
    const int got = reader.read(sound.left.data(), sound.right.data(), static_cast<int>(reader.frames()));
    sound.left.resize(static_cast<std::size_t>(got));
    sound.right.resize(static_cast<std::size_t>(got));
    return sound;
}

// 60 ms of two tones, the left 3.5 dB over full scale, then 40 ms of silence for the release.
void writeTestSignal(const std::string& path, int rate) {
    const int frames = rate / 10;
    std::vector<float> left(static_cast<std::size_t>(frames)), right(left.size());
    for (int n = 0; n < frames * 6 / 10; ++n) {
        const double t = static_cast<double>(n) / rate;
        left[static_cast<std::size_t>(n)] =
            static_cast<float>(1.5 * std::sin(2 * std::numbers::pi * 220 * t));
        right[static_cast<std::size_t>(n)] =
            static_cast<float>(0.8 * std::sin(2 * std::numbers::pi * 330 * t));
    }
    host::SoundWriter writer(path, host::SoundFormat{SF_FORMAT_WAV | SF_FORMAT_FLOAT}, rate);
    writer.write(left.data(), right.data(), frames);
    writer.close();
}

class Lv2Apply : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::remove_all(work);
        fs::create_directories(work / "lv2");
        // lv2apply finds the plug-in through LV2_PATH: a folder that holds only the build's bundle.
        fs::create_directory_symlink(lv2test::buildBundle(), work / "lv2" / "TMX-1.lv2");
    }
    void TearDown() override { fs::remove_all(work); }

    const fs::path work = fs::path(TMX1_LV2_TEST_WORK_DIR) / "lv2apply";
};

TEST_F(Lv2Apply, EveryPresetSoundsAsTheSameProgramInTheVstEffectAt441And48kHz) {
    const auto presets = lv2test::Bundle(lv2test::buildBundle()).presets();
    ASSERT_EQ(presets.size(), static_cast<std::size_t>(tmx1::kNumPrograms));
    for (const int rate : {44100, 48000}) {
        const std::string input = (work / ("in-" + std::to_string(rate) + ".wav")).string();
        writeTestSignal(input, rate);
        for (int program = 0; program < tmx1::kNumPrograms; ++program) {
            const char* name = tmx1::kFactoryPrograms[static_cast<std::size_t>(program)].name;
            const auto values = presets.find(name);
            ASSERT_NE(values, presets.end()) << name;
            const std::string viaLv2 = (work / "lv2.wav").string(), viaVst = (work / "vst.wav").string();

            std::ostringstream command;
            command.precision(9); // every float exactly
            command << "LV2_PATH='" << (work / "lv2").string() << ":/usr/lib/lv2' lv2apply -i '" << input
                    << "' -o '" << viaLv2 << "'";
            for (const auto& [symbol, value] : values->second)
                command << " -c " << symbol << " " << value;
            command << " " << tmx1::lv2::kPluginUri;
            ASSERT_EQ(std::system(command.str().c_str()), 0) << command.str();

            host::RenderRequest request;
            request.pluginPath = TMX1_PLUGIN_PATH;
            request.inputPath = input;
            request.outputPath = viaVst;
            request.program = std::to_string(program);
            request.compensateLatency = false; // lv2apply keeps the latency too
            // lv2apply runs the plug-in one frame at a time. The effect rebuilds its gain curve table
            // at the start of a block, so where the table and the direct curve differ in the last bits
            // the partition into blocks is heard: the render uses the same one-frame blocks.
            request.blockFrames = 1;
            std::ostringstream noProgress;
            host::ProgressBar progress(noProgress, "", 0);
            host::render(request, progress);

            const Stereo a = readSound(viaLv2), b = readSound(viaVst);
            ASSERT_EQ(a.left.size(), b.left.size()) << name << " at " << rate;
            float largest = 0.0f;
            for (std::size_t n = 0; n < a.left.size(); ++n)
                largest =
                    std::max({largest, std::fabs(a.left[n] - b.left[n]), std::fabs(a.right[n] - b.right[n])});
            // The dither is seeded from the clock in each process: noise of a few 1e-8 apart.
            EXPECT_LE(largest, 1e-6f) << name << " at " << rate;
        }
    }
}

} // namespace
