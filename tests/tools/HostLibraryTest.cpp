// Parts of the host library whose faults a command's output would hide: the gain-reduction
// measure, the demo signal, the request log under a busy or multi-threaded effect, and which plug-in
// an installed tmx1-host loads.
#include "tests/support/ScopedEnvironment.h"
#include "tests/tools/TestSounds.h"
#include "tools/tmx1-host/DefaultPlugin.h"
#include "tools/tmx1-host/DemoSignal.h"
#include "tools/tmx1-host/EffectSetup.h"
#include "tools/tmx1-host/LevelMeters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <thread>

namespace {

using host::GainReductionMeter;

// A 1 kHz tone at 44.1 kHz whose level is `loud` for the first half and `quiet` after.
std::vector<float> twoLevels(float loud, float quiet, int frames = 8820) {
    std::vector<float> tone(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i)
        tone[static_cast<std::size_t>(i)] =
            (i < frames / 2 ? loud : quiet) * static_cast<float>(std::sin(2.0 * M_PI * 1000.0 * i / 44100.0));
    return tone;
}

std::vector<float> scaled(std::vector<float> samples, float gain) {
    for (auto& s : samples)
        s *= gain;
    return samples;
}

double reduction(const std::vector<float>& in, const std::vector<float>& out, int outputBlock) {
    GainReductionMeter meter(44100.0);
    meter.addInput(in.data(), in.data(), static_cast<int>(in.size()));
    for (std::size_t at = 0; at < out.size(); at += static_cast<std::size_t>(outputBlock)) {
        const int n =
            static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(outputBlock), out.size() - at));
        meter.addOutput(out.data() + at, out.data() + at, n);
    }
    return meter.largestReductionDb().value_or(-1.0);
}

TEST(GainReduction, AConstantGainOfAnySizeIsNoReduction) {
    const auto in = twoLevels(0.8f, 0.1f);
    EXPECT_NEAR(reduction(in, scaled(in, 3.0f), 512), 0.0, 1e-6);
    EXPECT_NEAR(reduction(in, scaled(in, 0.1f), 512), 0.0, 1e-6);
}

TEST(GainReduction, IsTheDropBelowTheHighestGainWhateverTheBlocking) {
    const auto in = twoLevels(0.8f, 0.1f);
    auto out = scaled(in, 2.0f);
    for (std::size_t i = 0; i < out.size() / 2; ++i)
        out[i] *= 0.25f; // -12 dB on the loud half only
    EXPECT_NEAR(reduction(in, out, 7), 12.04, 0.01);
    EXPECT_NEAR(reduction(in, out, 4096), 12.04, 0.01);
}

TEST(GainReduction, WindowsBelowTheInputFloorDoNotCount) {
    // Noise-level input where the effect's own noise dominates must not pass for a gain change.
    const auto in = twoLevels(0.5f, 0.001f);
    auto out = in;
    for (std::size_t i = out.size() / 2; i < out.size(); ++i)
        out[i] += (i % 2 == 0 ? 0.002f : -0.002f);
    EXPECT_NEAR(reduction(in, out, 512), 0.0, 1e-6);
}

TEST(GainReduction, SilentOutputIsALargeFiniteReductionAndSilentInputIsNone) {
    const auto in = twoLevels(0.8f, 0.1f);
    auto out = in;
    std::fill(out.begin(), out.begin() + 4410, 0.0f);
    const double silenced = reduction(in, out, 512);
    EXPECT_TRUE(std::isfinite(silenced));
    EXPECT_GT(silenced, 100.0);

    GainReductionMeter meter(44100.0);
    const std::vector<float> silence(4410, 0.0f);
    meter.addInput(silence.data(), silence.data(), 4410);
    meter.addOutput(silence.data(), silence.data(), 4410);
    EXPECT_FALSE(meter.largestReductionDb().has_value());
}

TEST(DemoSignal, IsTheSameOnEveryRun) {
    const host::DemoSignal a(44100), b(44100);
    EXPECT_EQ(a.signal().left, b.signal().left);
    EXPECT_EQ(a.signal().right, b.signal().right);
}

float peakBetween(const host::StereoSignal& s, double from, double to) {
    float peak = 0.0f;
    for (auto i = static_cast<std::size_t>(from * s.sampleRate);
         i < static_cast<std::size_t>(to * s.sampleRate); ++i)
        peak = std::max({peak, std::fabs(s.left[i]), std::fabs(s.right[i])});
    return peak;
}

TEST(DemoSignal, HasHardPeaksNearFullScaleAndAQuietPassageWellBelow) {
    const host::DemoSignal demo(44100);
    const auto& s = demo.signal();
    const float loud = peakBetween(s, 0.0, host::DemoSignal::kQuietFrom);
    const float quiet = peakBetween(s, host::DemoSignal::kQuietFrom + 0.3, host::DemoSignal::kQuietTo);
    EXPECT_NEAR(20.0 * std::log10(loud), host::DemoSignal::kPeakDbfs, 0.5);
    EXPECT_LT(20.0 * std::log10(quiet / loud), -15.0);
    EXPECT_GT(20.0 * std::log10(quiet), -40.0); // still above a compressor's noise floor

    // Hard transients: the loud part's peak stands far above its average level.
    double energy = 0.0;
    const auto loudFrames = static_cast<std::size_t>(host::DemoSignal::kQuietFrom * s.sampleRate);
    for (std::size_t i = 0; i < loudFrames; ++i)
        energy += s.left[i] * s.left[i];
    EXPECT_GT(20.0 * std::log10(loud / std::sqrt(energy / static_cast<double>(loudFrames))), 12.0);
}

void processBlocks(host::HostedEffect& effect, int blocks) {
    float left[16] = {}, right[16] = {};
    float* channels[2] = {left, right};
    for (int b = 0; b < blocks; ++b)
        effect.processReplacing(channels, channels, 16);
}

TEST(HostRequestLog, StopsGrowingAtItsCapacityWhileRequestsAreStillAnswered) {
    host::Host host;
    const auto effect = host::openEffect(host, FIXTURE_DELAY); // asks for the time every block
    processBlocks(*effect, static_cast<int>(host::Host::kRequestLogCapacity) + 100);
    EXPECT_EQ(host.requests().size(), host::Host::kRequestLogCapacity);
}

TEST(HostRequestLog, EffectsCallingFromSeveralThreadsAtOnceAreAllLogged) {
    host::Host host;
    constexpr int kThreads = 4, kBlocks = 500;
    std::vector<std::unique_ptr<host::HostedEffect>> effects;
    for (int t = 0; t < kThreads; ++t)
        effects.push_back(host::openEffect(host, FIXTURE_DELAY));
    host.clearRequests();
    std::vector<std::thread> threads;
    for (auto& effect : effects)
        threads.emplace_back([&effect] { processBlocks(*effect, kBlocks); });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(host.requests().size(), static_cast<std::size_t>(kThreads * kBlocks));
}

// Out of its build tree tmx1-host loads the installed plug-in, the user's first; inside it, the one
// built beside it.
TEST(DefaultPlugin, TheBuiltOneWhileItIsThereElseTheUsersInstalledOne) {
    const testing_support::ScratchFolder folder;
    const std::filesystem::path built = folder / "build" / "TMX-1.so";
    const std::filesystem::path installed = folder / "home" / ".vst" / "TMX-1.so";
    std::filesystem::create_directories(installed.parent_path());
    std::ofstream(installed) << "plug-in";
    const testing_support::ScopedEnvironment home("HOME", (folder / "home").string());
    EXPECT_EQ(host::defaultPluginPath(built.string()), installed.string());
    std::filesystem::create_directories(built.parent_path());
    std::ofstream(built) << "plug-in";
    EXPECT_EQ(host::defaultPluginPath(built.string()), built.string());
}

} // namespace
