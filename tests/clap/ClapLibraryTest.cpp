// The built TMX-1.clap as a CLAP host meets it: its entry and factory, its ports, its parameters
// against the VST effect's texts, its latency and its saved state.
#include "clap/ClapParameters.h"
#include "clap/ClapState.h"
#include "dsp/APluginProgram.h"
#include "dsp/Compressor.h"
#include "generated/ProductVersion.h"
#include "tests/clap/ClapTestHost.h"
#include "tests/clap/VstReference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

namespace {

using claptest::ClapInstance;
using claptest::loadedEntry;
using claptest::programChanges;

TEST(ClapLibrary, EntryAndFactoryDescribeTheOneEffectAndMakeNothingElse) {
    const clap::clap_plugin_entry& entry = loadedEntry();
    EXPECT_TRUE(clap::isCompatible(entry.clap_version));
    EXPECT_EQ(entry.get_factory("clap.preset-discovery-factory"), nullptr);
    const auto* factory =
        static_cast<const clap::clap_plugin_factory*>(entry.get_factory(clap::kPluginFactoryId));
    ASSERT_NE(factory, nullptr);
    ASSERT_EQ(factory->get_plugin_count(factory), 1u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
    const clap::clap_plugin_descriptor* d = factory->get_plugin_descriptor(factory, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(clap::isCompatible(d->clap_version));
    EXPECT_STREQ(d->id, "example.brindlow-audio.tmx-1");
    EXPECT_STREQ(d->name, "TMX-1");
    EXPECT_STREQ(d->vendor, "Brindlow Audio");
    EXPECT_STREQ(d->version, tmx1::kProductVersion);
    std::vector<std::string_view> features;
    for (const char* const* f = d->features; *f != nullptr; ++f)
        features.emplace_back(*f);
    EXPECT_EQ(features, (std::vector<std::string_view>{"audio-effect", "limiter", "compressor", "stereo"}));

    clap::clap_host host{clap::kVersion, nullptr, "host", "", "", "1", nullptr, nullptr, nullptr, nullptr};
    EXPECT_EQ(factory->create_plugin(factory, &host, "example.brindlow-audio.tmx-2"), nullptr);
    host.clap_version = {0, 26, 0};
    EXPECT_EQ(factory->create_plugin(factory, &host, d->id), nullptr) << "a host of the draft interface";
}

TEST(ClapLibrary, OneStereoPairInAndOutThatAHostMayProcessInPlace) {
    ClapInstance instance(loadedEntry());
    const auto& ports = instance.extension<clap::clap_plugin_audio_ports>(clap::kExtAudioPorts);
    for (const bool isInput : {true, false}) {
        ASSERT_EQ(ports.count(&instance.plugin(), isInput), 1u);
        clap::clap_audio_port_info info{};
        ASSERT_TRUE(ports.get(&instance.plugin(), 0, isInput, &info));
        EXPECT_EQ(info.channel_count, 2u);
        EXPECT_STREQ(info.port_type, "stereo");
        EXPECT_EQ(info.flags & clap::kAudioPortIsMain, clap::kAudioPortIsMain);
        EXPECT_EQ(info.in_place_pair, info.id);
        EXPECT_FALSE(ports.get(&instance.plugin(), 1, isInput, &info));
    }

    // In place, the output written over the input, is the same sound as from separate buffers.
    ClapInstance separate(loadedEntry());
    ASSERT_TRUE(instance.activate(44100) && separate.activate(44100));
    claptest::Stereo audio(512), out;
    for (std::size_t n = 0; n < audio.frames(); ++n)
        audio.left[n] = audio.right[n] = (n % 50 < 25) ? 1.4f : -1.4f;
    const claptest::Stereo in = audio;
    ASSERT_EQ(separate.process(in, out), clap::kProcessContinue);
    ASSERT_EQ(instance.processInPlace(audio), clap::kProcessContinue);
    for (std::size_t n = 0; n < audio.frames(); ++n)
        ASSERT_NEAR(audio.left[n], out.left[n], 1e-6f) << n;
}

TEST(ClapLibrary, TenParametersInTheUnitsAUserReads) {
    ClapInstance instance(loadedEntry());
    const auto& params = instance.extension<clap::clap_plugin_params>(clap::kExtParams);
    ASSERT_EQ(params.count(&instance.plugin()), 10u);
    struct Expected {
        double min, max;
        std::uint32_t flags;
    };
    constexpr std::uint32_t kStepped = clap::kParamIsAutomatable | clap::kParamIsStepped;
    const Expected expected[10] = {{-40, 10, clap::kParamIsAutomatable},
                                  {5, 5000, clap::kParamIsAutomatable},
                                  {0, 1, kStepped},
                                  {0, 4, kStepped | clap::kParamIsEnum},
                                  {0, 20, clap::kParamIsAutomatable},
                                  {-10, 10, clap::kParamIsAutomatable},
                                  {0, 1, kStepped},
                                  {0, 1, kStepped},
                                  {0, 1, kStepped},
                                  {0, 1, kStepped}};
    for (std::uint32_t k = 0; k < 10; ++k) {
        clap::clap_param_info info{};
        ASSERT_TRUE(params.get_info(&instance.plugin(), k, &info));
        EXPECT_EQ(info.id, k);
        EXPECT_STREQ(info.name, tmx1::kParameters[k].name);
        EXPECT_EQ(info.flags, expected[k].flags) << info.name;
        EXPECT_NEAR(info.min_value, expected[k].min, 1e-9) << info.name;
        EXPECT_NEAR(info.max_value, expected[k].max, 1e-9) << info.name;
        EXPECT_TRUE(info.default_value >= info.min_value && info.default_value <= info.max_value)
            << info.name;
    }
    clap::clap_param_info beyond{};
    double value = 0.0;
    EXPECT_FALSE(params.get_info(&instance.plugin(), 10, &beyond));
    EXPECT_FALSE(params.get_value(&instance.plugin(), 10, &value));
}

TEST(ClapLibrary, EveryProgramsValuesReadAndShowAsTheVstEffectShowsThem) {
    ClapInstance instance(loadedEntry());
    const auto& params = instance.extension<clap::clap_plugin_params>(clap::kExtParams);
    for (int program = 0; program < tmx1::kNumPrograms; ++program) {
        instance.flush(programChanges(program));
        claptest::VstEffect vst(44100, program);
        for (clap::clap_id id = 0; id < 10; ++id) {
            const std::string vstText = vst.display(id);
            const double value = instance.value(id);
            const std::string shown = instance.text(id, value);
            EXPECT_EQ(shown, vstText) << "program " << program << ", parameter " << id;
            // What a user types back from the display lands on a value that shows the same.
            double typed = 0.0;
            ASSERT_TRUE(params.text_to_value(&instance.plugin(), id, shown.c_str(), &typed)) << shown;
            EXPECT_EQ(instance.text(id, typed), shown);
        }
    }
    struct Typed {
        clap::clap_id id;
        const char* text;
        double value;
    };
    for (const Typed& t : {Typed{tmx1::kThreshold, " -15 dB", -15.0}, Typed{tmx1::kThreshold, "+99", 10.0},
                           Typed{tmx1::kRelease, "250ms", 250.0}, Typed{tmx1::kReleaseType, "smooth 1", 3.0},
                           Typed{tmx1::kReleaseType, "2", 2.0}, Typed{tmx1::kPde, "on", 1.0}}) {
        double typed = -1.0;
        EXPECT_TRUE(params.text_to_value(&instance.plugin(), t.id, t.text, &typed)) << t.text;
        EXPECT_NEAR(typed, t.value, 1e-9) << t.text;
    }
    double untouched = 7.0;
    for (const char* nonsense : {"loud", "", "1e999", "-15 dBx", "nan"})
        EXPECT_FALSE(params.text_to_value(&instance.plugin(), tmx1::kThreshold, nonsense, &untouched))
            << nonsense;
    EXPECT_EQ(untouched, 7.0);
}

TEST(ClapLibrary, LatencyIsTheLookAheadAtTheActivatedRateAndTheHostHearsOfAChange) {
    ClapInstance instance(loadedEntry());
    const auto& latency = instance.extension<clap::clap_plugin_latency>(clap::kExtLatency);
    EXPECT_EQ(latency.get(&instance.plugin()), 22u);
    ASSERT_TRUE(instance.activate(48000));
    EXPECT_EQ(latency.get(&instance.plugin()), 24u);
    EXPECT_EQ(instance.latencyChanges, 1);
    instance.deactivate();
    ASSERT_TRUE(instance.activate(48000));
    EXPECT_EQ(instance.latencyChanges, 1) << "nothing changed";
    instance.deactivate();
    ASSERT_TRUE(instance.activate(44100));
    EXPECT_EQ(latency.get(&instance.plugin()), 22u);
    EXPECT_EQ(instance.latencyChanges, 2);
    instance.deactivate();
    EXPECT_FALSE(instance.activate(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(instance.activate(0.0));
    instance.onMainThread = false;
    EXPECT_FALSE(instance.activate(44100)) << "activated from another thread than the host's main one";
}

// A host learns a latency only at activation: True Peak's frames ask it to restart, once per change.
TEST(ClapLibrary, TruePeakAsksTheHostToRestartAndReportsItsFramesAtTheNextActivation) {
    ClapInstance instance(loadedEntry());
    const auto& latency = instance.extension<clap::clap_plugin_latency>(clap::kExtLatency);
    ASSERT_TRUE(instance.activate(44100));
    claptest::Stereo in(64), out(64);
    instance.process(in, out, {{tmx1::kTruePeak, 1.0}});
    instance.process(in, out);
    EXPECT_EQ(instance.restartRequests, 1);
    instance.deactivate();
    const int changes = instance.latencyChanges;
    ASSERT_TRUE(instance.activate(44100));
    EXPECT_EQ(latency.get(&instance.plugin()), 22u + tmx1::kTruePeakFrames);
    EXPECT_EQ(instance.latencyChanges, changes + 1);
    instance.process(in, out);
    EXPECT_EQ(instance.restartRequests, 1) << "nothing changed since";
}

class ClapSavedState : public ::testing::Test {
  protected:
    // Program 4's state with every offered parameter moved off it.
    std::vector<std::uint8_t> editedState() {
        tmx1::ClapState state{4, tmx1::kFactoryPrograms[4].values};
        ClapInstance source(loadedEntry());
        const auto bytes = state.encode();
        EXPECT_TRUE(source.loadState(bytes));
        std::vector<claptest::Change> edits{{tmx1::kThreshold, -12.5},
                                            {tmx1::kReleaseType, 3.0},
                                            {tmx1::kBrickWall, 1.0},
                                            {tmx1::kGain, 2.25}};
        source.flush(edits);
        return source.saveState();
    }
};

TEST_F(ClapSavedState, AnotherInstanceTakesEveryValueAndTheProgramEvenReadInPieces) {
    const std::vector<std::uint8_t> saved = editedState();
    ClapInstance target(loadedEntry());
    ASSERT_TRUE(target.loadState(saved, 3));
    EXPECT_EQ(target.saveState(), saved);
    EXPECT_NEAR(target.value(tmx1::kThreshold), -12.5, 1e-5);
    EXPECT_EQ(target.value(tmx1::kReleaseType), 3.0);
    EXPECT_EQ(target.value(tmx1::kBrickWall), 1.0);
    EXPECT_NEAR(target.value(tmx1::kGain), 2.25, 1e-5);
    const auto decoded = tmx1::ClapState::decode(saved);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->program, 4);
}

TEST_F(ClapSavedState, ShortForeignOrDamagedStatesAreRefusedAndChangeNothing) {
    const std::vector<std::uint8_t> saved = editedState();
    ClapInstance target(loadedEntry());
    const std::vector<std::uint8_t> before = target.saveState();
    auto damaged = [&](auto change) {
        std::vector<std::uint8_t> bytes = saved;
        change(bytes);
        return bytes;
    };
    auto setFloat = [](std::vector<std::uint8_t>& bytes, std::size_t at, float value) {
        std::memcpy(&bytes[at], &value, sizeof value); // the layout is little-endian, as these machines are
    };
    const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> refused{
        {"empty", {}},
        {"short", damaged([](auto& b) { b.resize(b.size() - 1); })},
        {"longer", damaged([](auto& b) { b.push_back(0); })},
        {"foreign mark", damaged([](auto& b) { b[0] = 'X'; })},
        {"later layout", damaged([](auto& b) { b[4] = 2; })},
        {"program 10", damaged([](auto& b) { b[8] = 10; })},
        {"nine values", damaged([](auto& b) { b[12] = 9; })},
        {"a value above 1", damaged([&](auto& b) { setFloat(b, 16 + 4 * 5, 1.5f); })},
        {"a value that is not a number",
         damaged([&](auto& b) { setFloat(b, 16, std::numeric_limits<float>::quiet_NaN()); })},
    };
    for (const auto& [what, bytes] : refused) {
        EXPECT_FALSE(target.loadState(bytes)) << what;
        EXPECT_EQ(target.saveState(), before) << what;
    }
    EXPECT_FALSE(target.loadState(saved, SIZE_MAX, 20)) << "a stream that fails half way";
    EXPECT_EQ(target.saveState(), before);
    target.onMainThread = false;
    EXPECT_FALSE(target.loadState(saved)) << "loaded from another thread than the host's main one";
    EXPECT_EQ(target.saveState(), before);
}

} // namespace
