// `tmx1-host live --no-gui` on a JACK server of the test's own (the dummy backend): what a test client
// plays into its inputs comes out of its outputs as `render` computes it, with the settings given or,
// at the next start, the ones it was left with; a block size change on the way; and the one line a
// user sees without a server.
#include "tests/support/UserSettingsSandbox.h"
#include "tests/tools/HostProcess.h"
#include "tests/tools/JackRig.h"
#include "tests/tools/TestSounds.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>
#include <regex>

#include <unistd.h>

namespace {

using namespace testing_support;

constexpr int kRate = 48000;
constexpr int kPeriod = 256;
constexpr long kFrames = kRate / 2;
// What live and render were asked for in the first run; the second run is given nothing and must
// take them from what the first one left.
const std::string kSettings = "--program \"Hot Mastering\" --param Threshold=-12 Release=50";

// The test signal, led by an impulse on both channels so that its first frame is heard.
Sound ledByImpulse() {
    Sound sound = testSignal(2, kFrames, kRate);
    sound.samples[0] = sound.samples[1] = 0.9f;
    sound.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    return sound;
}

std::vector<float> channelOf(const Sound& sound, int channel) {
    std::vector<float> samples(static_cast<std::size_t>(sound.frames()));
    for (long i = 0; i < sound.frames(); ++i)
        samples[static_cast<std::size_t>(i)] = sound.at(i, channel);
    return samples;
}

// render --no-latency-comp at the server's block size: the effect's output with its latency in it.
Sound rendered(const ScratchFolder& folder, const std::string& settings, int blockFrames = kPeriod) {
    const std::string in = (folder / "in.wav").string(), out = (folder / "out.wav").string();
    const HostRun run = runHost("render --no-latency-comp --block " + std::to_string(blockFrames) + " " + in +
                                " " + out + " " + settings);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return readSound(out);
}

// The first frame louder than the effect's dither: where the impulse comes out.
long firstHeard(const std::vector<float>& left, const std::vector<float>& right) {
    for (std::size_t i = 0; i < left.size(); ++i)
        if (std::abs(left[i]) > 0.01f || std::abs(right[i]) > 0.01f)
            return static_cast<long>(i);
    return -1;
}

int reportedLatency(const std::string& output) {
    std::smatch match;
    static const std::regex line(R"(latency ([0-9]+) frames)");
    return std::regex_search(output, match, line) ? std::stoi(match[1]) : -1;
}

using Recording = std::array<std::vector<float>, 2>;

// The recording, moved back by the JACK round trip (whole blocks: none when the server runs the
// player, the effect and the recorder in one cycle), against what render computed.
//
// The bound: live and render run the same code over the same blocks from the same state (the effect's
// state after the silence before the signal is its state after resume) but for one thing, the dither
// the effect adds to its input (+-3e-8): its generator ran on through that silence in live, so the
// two runs add different noise. That difference, through the make-up gain and the gain computed from
// the dithered input, reaches about 7e-7 here (a few units in the last place at full scale); 2^-18
// (3.8e-6, -108 dBFS) leaves room for other dither phases, while a frame out of place, a block
// processed twice or a setting missed differs by 1e-3 and more.
void expectSameAsRendered(const Recording& recording, const Sound& expected, int latency, int blockFrames) {
    const long heard = firstHeard(recording[0], recording[1]);
    ASSERT_GE(heard, 0) << "nothing came out";
    EXPECT_EQ(firstHeard(channelOf(expected, 0), channelOf(expected, 1)), latency)
        << "render hears the impulse after the reported latency";
    const long roundTrip = heard - latency;
    ASSERT_TRUE(roundTrip >= 0 && roundTrip % blockFrames == 0 && roundTrip <= 2 * blockFrames) << roundTrip;
    float largest = 0.0f;
    long where = 0;
    for (long i = 0; i < expected.frames() && i + roundTrip < static_cast<long>(recording[0].size()); ++i)
        for (int c = 0; c < 2; ++c) {
            const float d =
                std::abs(recording[c][static_cast<std::size_t>(i + roundTrip)] - expected.at(i, c));
            if (d > largest)
                largest = d, where = i;
        }
    EXPECT_LE(largest, std::ldexp(1.0f, -18)) << "at frame " << where;
}

TEST(LiveCommand, WhatIsPlayedIntoItComesOutAsRenderComputesItAndItsSettingsComeBackAtTheNextStart) {
    const ScratchFolder folder;
    const UserSettingsSandbox settings("live-settings"); // a fresh settings folder, kept across the two runs
    const Sound input = ledByImpulse();
    writeSound(folder / "in.wav", input);
    const Sound expected = rendered(folder, kSettings);
    const Sound unset = rendered(folder, "");
    ASSERT_EQ(expected.frames(), kFrames);
    EXPECT_GT(std::abs(expected.at(kFrames / 2, 0) - unset.at(kFrames / 2, 0)), 1e-3f)
        << "the settings change the sound, so that the second run shows they came back";

    const DummyJackServer server(kRate, kPeriod);
    ASSERT_TRUE(server.running()) << server.whyNot();
    const std::vector<float> left = channelOf(input, 0), right = channelOf(input, 1);
    const long recordFrames = kFrames + 3 * 2 * kPeriod;
    for (const std::string& arguments : {kSettings, std::string()}) {
        const bool restoring = arguments.empty();
        SCOPED_TRACE(restoring ? "restored" : "given");
        StartedHost host("live --no-gui " + arguments);
        JackLoopback loop("TMX-1");
        ASSERT_TRUE(loop.connected()) << host.finish().output;
        // The second time the server's block size doubles before the signal comes: the effect is
        // prepared again, for blocks of that size.
        const int blockFrames = restoring ? 2 * kPeriod : kPeriod;
        if (restoring) {
            ASSERT_TRUE(loop.setBlockFrames(blockFrames));
            EXPECT_TRUE(host.awaitOutput("48000 Hz, 512 frames per block"));
        }
        ASSERT_TRUE(loop.playAndRecord(left, right, recordFrames));
        const long downstream = loop.recordedLatency();
        host.signal(SIGINT);
        const HostRun run = host.finish();
        EXPECT_EQ(run.exitCode, 0) << run.output;
        EXPECT_EQ(downstream, reportedLatency(run.output)) << "the server tells a recorder behind TMX-1";
        EXPECT_NE(run.output.find("stopped, interrupted"), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("settings of last time restored") != std::string::npos, restoring)
            << run.output;
        expectSameAsRendered({loop.recorded(0), loop.recorded(1)},
                             restoring ? rendered(folder, kSettings, blockFrames) : expected,
                             reportedLatency(run.output), blockFrames);
    }
}

TEST(LiveCommand, WhenTheServerGoesItStopsAndSaysSo) {
    const UserSettingsSandbox settings("live-server-gone");
    DummyJackServer server(kRate, kPeriod);
    ASSERT_TRUE(server.running()) << server.whyNot();
    StartedHost host("live --no-gui --seconds 60");
    ASSERT_TRUE(host.awaitOutput("to stop"));
    server.stop();
    const HostRun run = host.finish();
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("stopped, the audio server went away"), std::string::npos) << run.output;
}

TEST(LiveCommand, WithoutAJackServerItSaysSoInOneLineAndStartsNone) {
    const ScopedEnvironment server("JACK_DEFAULT_SERVER",
                                   "tmx1-test-no-such-server-" + std::to_string(getpid()));
    const HostRun run = runHost("live --no-gui --seconds 1");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, "tmx1-host: no JACK server is running (start one, or run under pw-jack)\n");
    jack_status_t status{};
    jack_client_t* client = jack_client_open("tmx1-test-probe", JackNoStartServer, &status);
    EXPECT_EQ(client, nullptr) << "it started a server";
    if (client != nullptr)
        jack_client_close(client);
}

} // namespace
