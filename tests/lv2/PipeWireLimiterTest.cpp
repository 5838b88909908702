// The desktop limiter as the packages ship it (tmx1-limiter.conf, run with `pipewire -c` as its user
// service runs it) in a PipeWire session of the test's own: it becomes the default output, sends on
// to the real one, and what a player plays comes out there as tmx1-host renders it through the VST
// library with the controls the file sets.
#include "dsp/ParameterTable.h"
#include "lv2/PortMap.h"
#include "tests/lv2/LilvBundle.h"
#include "tests/lv2/PipeWireSession.h"
#include "tests/lv2/VstReference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>

namespace {

namespace fs = std::filesystem;
using lv2test::PipeWireSession;
using lv2test::Stereo;

// The controls the shipped file sets, as the effect's parameters; a symbol of no parameter fails.
std::vector<host::ParameterSetting> shippedControls() {
    std::ifstream in(TMX1_LIMITER_CONFIG);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::size_t block = text.find("control = {");
    const std::string controls = text.substr(block, text.find('}', block) - block);
    const std::regex setting(R"re("(\w+)"\s*=\s*(-?[0-9.]+))re");
    std::vector<host::ParameterSetting> settings;
    for (auto match = std::sregex_iterator(controls.begin(), controls.end(), setting);
         match != std::sregex_iterator(); ++match) {
        const auto& symbols = tmx1::lv2::kPortSymbols;
        const auto port = std::find(symbols.begin(), symbols.end(), (*match)[1].str());
        const int parameter = tmx1::lv2::ParameterOfPort(static_cast<int>(port - symbols.begin()));
        if (parameter < 0)
            ADD_FAILURE() << "the file sets " << (*match)[1] << ", which is no parameter's port";
        else
            settings.push_back({parameter, tmx1::lv2::NormalisedOf(parameter, std::stof((*match)[2].str()))});
    }
    return settings;
}

// The first frame that is not silent: where a render of the test tones begins.
std::optional<std::size_t> onset(const Stereo& sound) {
    const auto loud =
        std::find_if(sound.left.begin(), sound.left.end(), [](float x) { return std::fabs(x) > 1e-3f; });
    if (loud == sound.left.end())
        return std::nullopt;
    return static_cast<std::size_t>(loud - sound.left.begin());
}

float peak(const Stereo& sound) {
    float largest = 0.0f;
    for (const auto* channel : {&sound.left, &sound.right})
        for (const float x : *channel)
            largest = std::max(largest, std::fabs(x));
    return largest;
}

// The rate of the session's clock and of the file: PipeWire resamples nothing then. 32-bit floats all
// the way (the file, the graph and the recording) at unity volumes: the samples arrive unchanged, so
// the limiter's output must equal tmx1-host's but for the dither (kSameSound).
constexpr int kRate = 48000;

// Plays the file as any application plays, to the default output, while the real output's monitor is
// recorded; what was recorded.
Stereo playAndRecord(PipeWireSession& session, const fs::path& input, int attempt) {
    const fs::path heard = session.folder() / ("heard-" + std::to_string(attempt) + ".wav");
    const std::size_t recorder = session.start({"pw-record", "--target", "test_output", "-P",
                                                "{ stream.capture.sink = true }", "--format", "f32", "--rate",
                                                std::to_string(kRate), "--channels", "2", heard.string()});
    if (!session.waitFor({"pw-link", "-l"}, {"|<- test_output:monitor_FL", "|<- test_output:monitor_FR"})) {
        ADD_FAILURE() << "the recorder was never linked: " << session.run({"pw-link", "-l"}).output;
        return {};
    }
    const PipeWireSession::Run played = session.run({"pw-play", input.string()});
    EXPECT_EQ(played.exitCode, 0) << played.output;
    session.stop(recorder, SIGINT);
    return lv2test::readSound(heard.string());
}

// Where a recording differs from the render by more than the dither, "" when nowhere. Aligned at the
// tones' onset (PipeWire's buffering moves them by an amount of its own), compared up to 0.2 s before
// the file's end: by then the release is long over, and a player may leave out the last period of a
// file.
std::string mismatch(const Stereo& recording, const Stereo& reference) {
    const auto heardFrom = onset(recording), renderedFrom = onset(reference);
    if (!heardFrom || !renderedFrom)
        return "nothing was heard";
    const std::size_t frames = reference.left.size() - *renderedFrom - kRate / 5;
    if (recording.left.size() - *heardFrom < frames)
        return "the recording ends early";
    const lv2test::Difference difference =
        lv2test::largestDifference(recording, *heardFrom, reference, *renderedFrom, frames);
    if (difference.size <= lv2test::kSameSound)
        return "";
    return std::to_string(difference.size) + " apart at frame " + std::to_string(difference.frame) +
           " of tmx1-host's render";
}

TEST(PipeWireLimiter, BecomesTheDefaultOutputAndPlaysOnToTheRealOneAsTmx1HostRenders) {
    std::optional<PipeWireSession> session;
    try {
        session.emplace(fs::path(lv2test::buildBundle()).parent_path().string());
    } catch (const PipeWireSession::Unavailable& unavailable) {
        GTEST_SKIP() << "PipeWire cannot run here: " << unavailable.what();
    }
    session->start({"pipewire", "-c", TMX1_LIMITER_CONFIG});
    // The session manager makes it the default output and links its far side to the real output.
    ASSERT_TRUE(session->waitFor({"pw-metadata", "0", "default.audio.sink"}, {"\"tmx1_limiter\""}))
        << session->run({"pw-metadata", "0"}).output;
    ASSERT_TRUE(
        session->waitFor({"pw-link", "-l"}, {"tmx1_limiter.output:output_FL\n  |-> test_output:playback_FL",
                                             "tmx1_limiter.output:output_FR\n  |-> test_output:playback_FR"}))
        << session->run({"pw-link", "-l"}).output;

    const fs::path input = session->folder() / "in.wav", rendered = session->folder() / "vst.wav";
    lv2test::writeTestTones(input.string(), kRate, 0.05, 0.3, 0.25);
    const std::vector<host::ParameterSetting> controls = shippedControls();
    ASSERT_EQ(controls.size(), static_cast<std::size_t>(tmx1::kNumParams))
        << "the file leaves a control at its default";
    lv2test::renderThroughVst(input.string(), rendered.string(), 0, 1024, controls);
    const Stereo reference = lv2test::readSound(rendered.string());

    // An overloaded machine can make PipeWire miss a period (an xrun), however long the periods are;
    // a wrong sound differs in every attempt.
    std::string differences;
    for (int attempt = 1; attempt <= 3; ++attempt) {
        const Stereo recording = playAndRecord(*session, input, attempt);
        const std::string difference = mismatch(recording, reference);
        if (difference.empty()) {
            // The tones go 3.5 dB over full scale; the shipped settings keep the desktop below it.
            EXPECT_LT(peak(recording), 1.0f);
            return;
        }
        differences += "\n  attempt " + std::to_string(attempt) + ": " + difference;
    }
    ADD_FAILURE() << "what the real output played is not tmx1-host's render:" << differences;
}

} // namespace
