// Other LV2 hosts render through each preset what tmx1-host renders through the same factory program
// with the VST library: lilv's own command-line host, and GStreamer's lv2 element, which takes the
// plug-in as one stereo filter through its port groups.
#include "dsp/APluginProgram.h"
#include "dsp/ParameterTable.h"
#include "lv2/PortMap.h"
#include "tests/lv2/LilvBundle.h"
#include "tests/lv2/VstReference.h"
#include "tools/tmx1-host/Renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <vector>

namespace {

namespace fs = std::filesystem;

using lv2test::kSameSound;
using lv2test::readSound;
using lv2test::renderThroughVst;
using lv2test::Stereo;

// 60 ms of the test tones, then 40 ms of silence for the release.
void writeTestSignal(const std::string& path, int rate) {
    lv2test::writeTestTones(path, rate, 0.0, 0.06, 0.04);
}

// The render's blocks: neither lv2apply's (one frame) nor GStreamer's (40 ms). The sound must not
// depend on them.
constexpr int kRenderBlock = 1024;

class Lv2Hosts : public ::testing::Test {
  protected:
    void SetUp() override {
        // A folder for each test: ctest runs them side by side.
        work = fs::path(TMX1_LV2_TEST_WORK_DIR) / "lv2hosts" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(work);
        fs::create_directories(work / "lv2");
        // The hosts find the plug-in through LV2_PATH: a folder that holds only the build's bundle.
        fs::create_directory_symlink(lv2test::buildBundle(), work / "lv2" / "TMX-1.lv2");
    }
    void TearDown() override { fs::remove_all(work); }

    // What a host wrote through a preset against tmx1-host's render of the program.
    void expectSoundOfTheVstEffect(const std::string& input, const std::string& viaHost, int program,
                                   const std::string& what,
                                   const std::vector<host::ParameterSetting>& parameters = {}) const {
        const std::string viaVst = (work / "vst.wav").string();
        renderThroughVst(input, viaVst, program, kRenderBlock, parameters);
        const Stereo a = readSound(viaHost), b = readSound(viaVst);
        ASSERT_EQ(a.left.size(), b.left.size()) << what;
        const lv2test::Difference difference = lv2test::largestDifference(a, 0, b, 0, a.left.size());
        EXPECT_LE(difference.size, kSameSound) << what << ", frame " << difference.frame;
    }

    // lilv's command-line host through the build's bundle, the controls set before its first run (it
    // runs the plug-in one frame at a time).
    void lv2apply(const std::string& input, const std::string& output,
                  const std::map<std::string, float>& controls) const {
        std::ostringstream command;
        command.precision(9); // every float exactly
        command << "LV2_PATH='" << (work / "lv2").string() << ":/usr/lib/lv2' lv2apply -i '" << input
                << "' -o '" << output << "'";
        for (const auto& [symbol, value] : controls)
            command << " -c " << symbol << " " << value;
        command << " " << tmx1::lv2::kPluginUri;
        ASSERT_EQ(std::system(command.str().c_str()), 0) << command.str();
    }

    fs::path work;
};

TEST_F(Lv2Hosts, Lv2applyThroughEveryPresetSoundsAsTheSameProgramInTheVstEffectAt441And48kHz) {
    const auto presets = lv2test::Bundle(lv2test::buildBundle()).presets();
    ASSERT_EQ(presets.size(), static_cast<std::size_t>(tmx1::kNumPrograms));
    for (const int rate : {44100, 48000}) {
        const std::string input = (work / ("in-" + std::to_string(rate) + ".wav")).string();
        writeTestSignal(input, rate);
        for (int program = 0; program < tmx1::kNumPrograms; ++program) {
            const char* name = tmx1::kFactoryPrograms[static_cast<std::size_t>(program)].name;
            const auto values = presets.find(name);
            ASSERT_NE(values, presets.end()) << name;
            const std::string viaLv2 = (work / "lv2.wav").string();

            lv2apply(input, viaLv2, values->second);
            expectSoundOfTheVstEffect(input, viaLv2, program,
                                      std::string(name) + " at " + std::to_string(rate));
        }
    }
}

// One control set, the others at their defaults: the same sound as the VST parameter set before the
// first block.
TEST_F(Lv2Hosts, Lv2applyWithOneControlSetSoundsAsTheVstEffectWithThatParameterSet) {
    const std::string input = (work / "in.wav").string();
    writeTestSignal(input, 44100);
    const std::vector<host::ParameterSetting> settings{
        {tmx1::kThreshold, 0.6f},   {tmx1::kRelease, 0.2f},   {tmx1::kPde, 0.0f},
        {tmx1::kReleaseType, 0.5f}, {tmx1::kKnee, 0.3f},      {tmx1::kGain, 0.7f},
        {tmx1::kAutoGain, 0.0f},    {tmx1::kBrickWall, 1.0f}, {tmx1::kStereoLink, 0.0f}};
    for (const host::ParameterSetting& setting : settings) {
        const char* symbol =
            tmx1::lv2::kPortSymbols[static_cast<std::size_t>(tmx1::lv2::PortOfParameter(setting.index))];
        const std::string viaLv2 = (work / "lv2.wav").string();
        lv2apply(input, viaLv2, {{symbol, tmx1::lv2::ShownPortValue(setting.index, setting.value)}});
        expectSoundOfTheVstEffect(input, viaLv2, 0, symbol, {setting});
    }
}

// GStreamer names its element after the plug-in's URI: the scheme cut, every other character than a
// letter, digit, '-' or '+' made a '-'.
std::string gstreamerElement() {
    std::string name = tmx1::lv2::kPluginUri;
    name.erase(0, name.find("://") + 3);
    for (char& c : name)
        if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '-' && c != '+')
            c = '-';
    return name;
}

// A preset's port values as the element's properties: named after the symbols ('_' made '-'), the
// switches as booleans, the release type by its index.
std::string gstreamerProperties(const std::map<std::string, float>& values) {
    std::ostringstream properties;
    properties.precision(9); // every float exactly
    for (const auto& [symbol, value] : values) {
        const auto port = std::find_if(tmx1::lv2::kPortSymbols.begin(), tmx1::lv2::kPortSymbols.end(),
                                       [&symbol](const char* s) { return symbol == s; });
        const int parameter =
            tmx1::lv2::ParameterOfPort(static_cast<int>(port - tmx1::lv2::kPortSymbols.begin()));
        std::string property = symbol;
        std::replace(property.begin(), property.end(), '_', '-');
        properties << " " << property << "=";
        if (parameter < 0)
            ADD_FAILURE() << "a preset sets " << symbol << ", which is no parameter's port";
        else if (tmx1::kParameters[static_cast<std::size_t>(parameter)].display == tmx1::DisplayKind::onOff)
            properties << (value > 0.5f ? "true" : "false");
        else
            properties << value;
    }
    return properties.str();
}

TEST_F(Lv2Hosts, GstreamerPlaysItAsOneStereoFilterThroughEveryPresetAsTheVstEffectPlaysTheProgram) {
    // The element's switches start off whatever the Turtle's defaults say, so every value is set.
    const auto presets = lv2test::Bundle(lv2test::buildBundle()).presets();
    const std::string input = (work / "in.wav").string();
    writeTestSignal(input, 44100);
    for (int program = 0; program < tmx1::kNumPrograms; ++program) {
        const char* name = tmx1::kFactoryPrograms[static_cast<std::size_t>(program)].name;
        const auto values = presets.find(name);
        ASSERT_NE(values, presets.end()) << name;
        const std::string viaGstreamer = (work / "gst.wav").string();
        // A registry of this test's own, so that GStreamer scans the bundle as the build left it.
        // wavparse hands it 40 ms blocks.
        std::ostringstream command;
        command << "GST_REGISTRY='" << (work / "registry.bin").string() << "' LV2_PATH='"
                << (work / "lv2").string() << "' gst-launch-1.0 -q filesrc location='" << input
                << "' ! wavparse ! audioconvert ! " << gstreamerElement()
                << gstreamerProperties(values->second)
                << " ! audioconvert ! audio/x-raw,format=F32LE ! wavenc ! filesink location='" << viaGstreamer
                << "'";
        ASSERT_EQ(std::system(command.str().c_str()), 0) << command.str();

        expectSoundOfTheVstEffect(input, viaGstreamer, program, name);
    }
}

} // namespace
