#include "lv2/PortMap.h"
#include "plugin/APlugin.h"
#include "dsp/APluginProgram.h"
#include "tests/lv2/LilvBundle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

using namespace tmx1::lv2;
using lv2test::Bundle;
using lv2test::Node;
using tmx1::kFactoryPrograms;
using tmx1::kNumPrograms;

constexpr const char* kLv2 = "http://lv2plug.in/ns/lv2core#";
constexpr const char* kUi = "http://lv2plug.in/ns/extensions/ui#";
constexpr const char* kUnits = "http://lv2plug.in/ns/extensions/units#";
constexpr const char* kPortProps = "http://lv2plug.in/ns/ext/port-props#";

// Dither noise is seeded from the clock in each copy of the effect, so two copies differ by noise
// of a few 1e-8 carried through the gains.
constexpr float kSameSound = 1e-6f;

const Bundle& bundle() {
    static const Bundle loaded(lv2test::buildBundle());
    return loaded;
}

std::string str(const std::string& prefix, const char* name) { return prefix + name; }

// --- the description

TEST(BundleDescription, PortsHaveTheMapsIndicesSymbolsKindsAndDirections) {
    const LilvPlugin* plugin = bundle().plugin();
    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), static_cast<std::uint32_t>(kNumPorts));
    const Node audio = bundle().uri(str(kLv2, "AudioPort")), control = bundle().uri(str(kLv2, "ControlPort"));
    const Node input = bundle().uri(str(kLv2, "InputPort")), output = bundle().uri(str(kLv2, "OutputPort"));
    for (int index = 0; index < kNumPorts; ++index) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, static_cast<std::uint32_t>(index));
        EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)),
                     kPortSymbols[static_cast<std::size_t>(index)]);
        const bool isAudio = index <= kPortOutR;
        const bool isOutput =
            index == kPortOutL || index == kPortOutR || (index >= kPortLatency && index < kPortOcAck);
        EXPECT_TRUE(lilv_port_is_a(plugin, port, (isAudio ? audio : control).get())) << index;
        EXPECT_TRUE(lilv_port_is_a(plugin, port, (isOutput ? output : input).get())) << index;
    }
}

TEST(BundleDescription, ParameterPortsHaveTheTablesRangesUnitsAndProgramZeroAsDefault) {
    const LilvPlugin* plugin = bundle().plugin();
    std::vector<float> min(kNumPorts), max(kNumPorts), def(kNumPorts);
    lilv_plugin_get_port_ranges_float(plugin, min.data(), max.data(), def.data());
    const Node unit = bundle().uri(str(kUnits, "unit"));
    const Node logarithmic = bundle().uri(str(kPortProps, "logarithmic"));
    const Node toggled = bundle().uri(str(kLv2, "toggled"));
    const char* expectedUnit[] = {"db", "ms", "", "", "db", "db", "", "", "", ""};
    for (int parameter = 0; parameter < kNumParameterPorts; ++parameter) {
        const int index = PortOfParameter(parameter);
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, static_cast<std::uint32_t>(index));
        EXPECT_EQ(min[index], static_cast<float>(PortValueOf(parameter, 0.0f))) << kPortSymbols[index];
        EXPECT_EQ(max[index], static_cast<float>(PortValueOf(parameter, 1.0f))) << kPortSymbols[index];
        EXPECT_EQ(NormalisedOf(parameter, def[index]), kFactoryPrograms[0].values[parameter])
            << kPortSymbols[index];
        LilvNodes* units = lilv_port_get_value(plugin, port, unit.get());
        const std::string unitName = units ? lilv_node_as_uri(lilv_nodes_get_first(units)) : "";
        lilv_nodes_free(units);
        EXPECT_EQ(unitName, *expectedUnit[parameter] ? str(kUnits, expectedUnit[parameter]) : "")
            << kPortSymbols[index];
        EXPECT_EQ(lilv_port_has_property(plugin, port, logarithmic.get()), parameter == tmx1::kRelease);
        const bool isSwitch = parameter == tmx1::kPde || parameter == tmx1::kAutoGain ||
                              parameter == tmx1::kBrickWall || parameter == tmx1::kStereoLink ||
                              parameter == tmx1::kTruePeak;
        EXPECT_EQ(lilv_port_has_property(plugin, port, toggled.get()), isSwitch) << kPortSymbols[index];
    }
    EXPECT_EQ(min[kPortThreshold], -40.0f);
    EXPECT_EQ(max[kPortRelease], 5000.0f);
    EXPECT_EQ(def[kPortOcAck], 0.0f);
}

TEST(BundleDescription, ReleaseTypeIsAnIntegerEnumerationNamedByTheTable) {
    const LilvPlugin* plugin = bundle().plugin();
    const LilvPort* port = lilv_plugin_get_port_by_index(plugin, kPortReleaseType);
    for (const char* property : {"integer", "enumeration"}) {
        const Node node = bundle().uri(str(kLv2, property));
        EXPECT_TRUE(lilv_port_has_property(plugin, port, node.get())) << property;
    }
    LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
    std::array<std::string, tmx1::kNumReleaseTypes> names;
    int count = 0;
    LILV_FOREACH(scale_points, i, points) {
        const LilvScalePoint* point = lilv_scale_points_get(points, i);
        const int value = lilv_node_as_int(lilv_scale_point_get_value(point));
        ASSERT_GE(value, 0);
        ASSERT_LT(value, tmx1::kNumReleaseTypes);
        names[static_cast<std::size_t>(value)] = lilv_node_as_string(lilv_scale_point_get_label(point));
        ++count;
    }
    lilv_scale_points_free(points);
    EXPECT_EQ(count, tmx1::kNumReleaseTypes);
    for (int type = 0; type < tmx1::kNumReleaseTypes; ++type)
        EXPECT_EQ(names[static_cast<std::size_t>(type)],
                  tmx1::kReleaseTypeNames[static_cast<std::size_t>(type)]);
}

TEST(BundleDescription, LatencyAcknowledgementAndTheUiAreWhereTheUiExpectsThem) {
    const LilvPlugin* plugin = bundle().plugin();
    ASSERT_TRUE(lilv_plugin_has_latency(plugin));
    EXPECT_EQ(lilv_plugin_get_latency_port_index(plugin), static_cast<std::uint32_t>(kPortLatency));
    const LilvPort* ack = lilv_plugin_get_port_by_index(plugin, kPortOcAck);
    for (const char* property : {"notOnGUI", "notAutomatic"}) {
        const Node node = bundle().uri(str(kPortProps, property));
        EXPECT_TRUE(lilv_port_has_property(plugin, ack, node.get())) << property;
    }

    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    const Node uiUri = bundle().uri(kUiUri);
    const LilvUI* ui = lilv_uis_get_by_uri(uis, uiUri.get());
    ASSERT_NE(ui, nullptr);
    const Node x11 = bundle().uri(str(kUi, "X11UI"));
    EXPECT_TRUE(lilv_ui_is_a(ui, x11.get()));
    const std::string binary = lilv_node_as_uri(lilv_ui_get_binary_uri(ui));
    EXPECT_TRUE(binary.ends_with("/TMX-1.lv2/TMX-1_ui.so")) << binary;
    lilv_uis_free(uis);

    const std::string ttl = bundle().text(uiUri.get(), "http://lv2plug.in/ns/lv2core#requiredFeature");
    EXPECT_EQ(ttl, str(kUi, "idleInterface"));
    const Node notification = bundle().uri(str(kUi, "portNotification"));
    LilvNodes* notified = lilv_world_find_nodes(bundle().world(), uiUri.get(), notification.get(), nullptr);
    EXPECT_EQ(lilv_nodes_size(notified), static_cast<unsigned>(kPortOcAck - kPortLatency))
        << "every output control";
    lilv_nodes_free(notified);
}

TEST(BundleDescription, TheTenPresetsHoldTheFactoryProgramsExactly) {
    const auto presets = bundle().presets();
    ASSERT_EQ(presets.size(), static_cast<std::size_t>(kNumPrograms));
    for (const auto& program : kFactoryPrograms) {
        const auto found = presets.find(program.name);
        ASSERT_NE(found, presets.end()) << program.name;
        ASSERT_EQ(found->second.size(), static_cast<std::size_t>(kNumParameterPorts)) << program.name;
        for (int parameter = 0; parameter < kNumParameterPorts; ++parameter) {
            const float port =
                found->second.at(kPortSymbols[static_cast<std::size_t>(PortOfParameter(parameter))]);
            EXPECT_EQ(NormalisedOf(parameter, port), program.values[static_cast<std::size_t>(parameter)])
                << program.name << " " << parameter;
        }
    }
}

// --- the DSP library against the VST effect

vst::IntPtr versionOnly(vst::AEffect*, vst::Int32 opcode, vst::Int32, vst::IntPtr, void*, float) {
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

// The effect the VST library holds, driven as a host drives the record.
struct VstEffect {
    explicit VstEffect(double rate) {
        effect.dispatcher(vst::effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
        effect.dispatcher(vst::effMainsChanged, 0, 1, nullptr, 0.0f);
    }
    void run(std::vector<float>& inL, std::vector<float>& inR, float* outL, float* outR, int offset,
             int frames) {
        float* in[2] = {inL.data() + offset, inR.data() + offset};
        float* out[2] = {outL + offset, outR + offset};
        effect.processReplacing(in, out, frames);
    }
    tmx1::APlugin effect{versionOnly};
};

// The LV2 plug-in from the bundle, its control ports at their defaults as a host sets them.
struct Lv2Effect {
    explicit Lv2Effect(double rate) : instance(lilv_plugin_instantiate(bundle().plugin(), rate, nullptr)) {
        std::vector<float> min(kNumPorts), max(kNumPorts), def(kNumPorts);
        lilv_plugin_get_port_ranges_float(bundle().plugin(), min.data(), max.data(), def.data());
        for (int port = kFirstParameterPort; port < kNumPorts; ++port) {
            control[static_cast<std::size_t>(port)] = std::isnan(def[port]) ? 0.0f : def[port];
            lilv_instance_connect_port(instance, static_cast<std::uint32_t>(port),
                                       &control[static_cast<std::size_t>(port)]);
        }
        lilv_instance_activate(instance);
    }
    ~Lv2Effect() {
        lilv_instance_deactivate(instance);
        lilv_instance_free(instance);
    }
    Lv2Effect(const Lv2Effect&) = delete;
    Lv2Effect& operator=(const Lv2Effect&) = delete;

    void run(std::vector<float>& inL, std::vector<float>& inR, float* outL, float* outR, int offset,
             int frames) {
        lilv_instance_connect_port(instance, kPortInL, inL.data() + offset);
        lilv_instance_connect_port(instance, kPortInR, inR.data() + offset);
        lilv_instance_connect_port(instance, kPortOutL, outL + offset);
        lilv_instance_connect_port(instance, kPortOutR, outR + offset);
        lilv_instance_run(instance, static_cast<std::uint32_t>(frames));
    }
    float& operator[](int port) { return control[static_cast<std::size_t>(port)]; }

    LilvInstance* instance;
    std::array<float, kNumPorts> control{};
};

struct Stereo {
    explicit Stereo(int frames)
        : left(static_cast<std::size_t>(frames)), right(static_cast<std::size_t>(frames)) {}
    std::vector<float> left, right;
};

// Tones whose level jumps between quiet and 6 dB over full scale every 50 ms.
Stereo testSignal(double rate, int frames) {
    Stereo signal(frames);
    for (int n = 0; n < frames; ++n) {
        const double t = n / rate;
        const double level = (static_cast<int>(t / 0.05) % 2 == 0) ? 0.05 : 2.0;
        signal.left[static_cast<std::size_t>(n)] =
            static_cast<float>(level * std::sin(2 * std::numbers::pi * 220 * t));
        signal.right[static_cast<std::size_t>(n)] =
            static_cast<float>(0.7 * level * std::sin(2 * std::numbers::pi * 330 * t));
    }
    return signal;
}

float largestDifference(const Stereo& a, const Stereo& b) {
    float largest = 0.0f;
    for (std::size_t n = 0; n < a.left.size(); ++n)
        largest = std::max({largest, std::fabs(a.left[n] - b.left[n]), std::fabs(a.right[n] - b.right[n])});
    return largest;
}

TEST(Lv2Dsp, SoundsAsTheVstEffectWhenAPortChangesMidStreamAtEitherRate) {
    for (const double rate : {44100.0, 48000.0}) {
        const int block = 256, blocks = 120, changeAt = 40;
        Stereo in = testSignal(rate, block * blocks);
        Stereo viaLv2(block * blocks), viaVst(block * blocks), unchanged(block * blocks);
        Lv2Effect lv2(rate);
        VstEffect vst(rate), reference(rate);
        for (int b = 0; b < blocks; ++b) {
            if (b == changeAt) {
                lv2[kPortThreshold] = -21.5f;
                lv2[kPortReleaseType] = 0.0f;
                lv2[kPortStereoLink] = 0.0f;
                vst.effect.setParameter(tmx1::kThreshold, NormalisedOf(tmx1::kThreshold, -21.5f));
                vst.effect.setParameter(tmx1::kReleaseType, NormalisedOf(tmx1::kReleaseType, 0.0f));
                vst.effect.setParameter(tmx1::kStereoLink, NormalisedOf(tmx1::kStereoLink, 0.0f));
            }
            lv2.run(in.left, in.right, viaLv2.left.data(), viaLv2.right.data(), b * block, block);
            vst.run(in.left, in.right, viaVst.left.data(), viaVst.right.data(), b * block, block);
            reference.run(in.left, in.right, unchanged.left.data(), unchanged.right.data(), b * block, block);
        }
        EXPECT_LE(largestDifference(viaLv2, viaVst), kSameSound) << rate;
        EXPECT_GT(largestDifference(viaLv2, unchanged), 0.1f) << "the change must be heard, at " << rate;
        EXPECT_EQ(lv2[kPortLatency], static_cast<float>(vst.effect.getAeffect()->initialDelay)) << rate;
    }
    Lv2Effect at48k(48000.0);
    EXPECT_EQ(at48k[kPortLatency], 0.0f) << "written by run, not before";
}

TEST(Lv2Dsp, AnEmptyRunOrOneOfManyFramesInPlaceGivesTheSameSound) {
    const double rate = 44100.0;
    const int frames = 20000;
    Stereo in = testSignal(rate, frames);
    Stereo viaVst(frames);
    VstEffect vst(rate);
    vst.effect.setParameter(tmx1::kGain, NormalisedOf(tmx1::kGain, 3.0f));
    vst.run(in.left, in.right, viaVst.left.data(), viaVst.right.data(), 0, frames);

    Lv2Effect lv2(rate);
    lv2[kPortGain] = 3.0f;
    lv2.run(in.left, in.right, nullptr, nullptr, 0, 0); // takes the change with no audio
    lv2[kPortGain] = 3.0f;
    Stereo inPlace = in;
    lv2.run(inPlace.left, inPlace.right, inPlace.left.data(), inPlace.right.data(), 0, frames);
    EXPECT_LE(largestDifference(inPlace, viaVst), kSameSound);
}

TEST(Lv2Dsp, MetersAndOverCompressionFollowTheEffectAndTheAcknowledgementPortClearsTheLatch) {
    const double rate = 44100.0;
    const int block = 512, blocks = 200;
    Stereo loud = testSignal(rate, block * blocks);
    Stereo out(block * blocks), reference(block * blocks);
    Lv2Effect lv2(rate);
    VstEffect vst(rate);
    lv2[kPortThreshold] = -40.0f;
    lv2[kPortBrickWall] = 1.0f;
    vst.effect.setParameter(tmx1::kThreshold, 0.0f);
    vst.effect.setParameter(tmx1::kBrickWall, 1.0f);
    bool latched = false, cleared = false;
    float smallestGain = 1.0f;
    for (int b = 0; b < blocks; ++b) {
        if (b >= blocks / 2) { // quiet from here on
            std::fill(loud.left.begin() + b * block, loud.left.begin() + (b + 1) * block, 0.0f);
            std::fill(loud.right.begin() + b * block, loud.right.begin() + (b + 1) * block, 0.0f);
        }
        if (b == blocks * 3 / 4) { // the UI has shown the state
            lv2[kPortOcAck] += 1.0f;
            vst.effect.requestOcAcknowledge();
        }
        lv2.run(loud.left, loud.right, out.left.data(), out.right.data(), b * block, block);
        vst.run(loud.left, loud.right, reference.left.data(), reference.right.data(), b * block, block);
        ASSERT_EQ(lv2[kPortOverCompression], vst.effect.isOcLatched() ? 1.0f : 0.0f) << "block " << b;
        smallestGain = std::min(smallestGain, lv2[kPortGainL]);
        latched = latched || lv2[kPortOverCompression] == 1.0f;
        cleared = latched && lv2[kPortOverCompression] == 0.0f;
        if (b == blocks / 2 + 10) {
            ASSERT_EQ(lv2[kPortOverCompression], 1.0f) << "the latch holds until the UI acknowledges";
        }
        for (int k = 0; k < kNumMeterPorts; ++k)
            ASSERT_NEAR(lv2[kFirstMeterPort + k], vst.effect.meterValue(tmx1::kMeterInL + k), 1e-5f)
                << kPortSymbols[static_cast<std::size_t>(kFirstMeterPort + k)] << " block " << b;
    }
    EXPECT_TRUE(latched);
    EXPECT_TRUE(cleared);
    EXPECT_LT(smallestGain, 0.1f) << "the loud part's gain reduction shows";
}

} // namespace
