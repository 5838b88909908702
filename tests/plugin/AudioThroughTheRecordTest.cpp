// Audio as a host drives it: latency reporting across sample rates, and what the first block changes.
#include "tests/support/LoadedPlugin.h"

#include "dsp/ParameterTable.h"

#include <cmath>
#include <vector>

using testing_support::LoadedPlugin;

namespace {

// Index of the loudest left output sample for an impulse at frame `at`.
int impulseArrival(host::HostedEffect& plugin, int at) {
    std::vector<float> left(256), right(256);
    left[static_cast<std::size_t>(at)] = 0.05f;
    float* io[2] = {left.data(), right.data()};
    plugin.processReplacing(io, io, 256);
    int loudest = 0;
    for (int i = 1; i < 256; ++i)
        if (std::fabs(left[static_cast<std::size_t>(i)]) > std::fabs(left[static_cast<std::size_t>(loudest)]))
            loudest = i;
    return loudest;
}

TEST_F(LoadedPlugin, ReportedLatencyFollowsTheSampleRateOnResume) {
    EXPECT_EQ(plugin->record().initialDelay, 22);
    plugin->dispatch(vst::effSetSampleRate, 0, 0, nullptr, 48000.0f);
    EXPECT_EQ(plugin->record().initialDelay, 22) << "nothing changes before the host resumes";
    plugin->dispatch(vst::effMainsChanged, 0, 1);
    EXPECT_EQ(plugin->record().initialDelay, 24);
    EXPECT_EQ(impulseArrival(*plugin, 10), 10 + 24);
    plugin->dispatch(vst::effMainsChanged, 0, 0);
    plugin->dispatch(vst::effSetSampleRate, 0, 0, nullptr, 96000.0f);
    plugin->dispatch(vst::effMainsChanged, 0, 1);
    EXPECT_EQ(plugin->record().initialDelay, 48);
}

TEST_F(LoadedPlugin, BlockSizeAndSampleRateRequestLeavesTheSignalPathsRate) {
    plugin->dispatch(vst::effSetBlockSizeAndSampleRate, 0, 512, nullptr, 48000.0f);
    plugin->dispatch(vst::effMainsChanged, 0, 1);
    EXPECT_EQ(plugin->record().initialDelay, 22);
    EXPECT_EQ(impulseArrival(*plugin, 10), 10 + 22);
}

TEST_F(LoadedPlugin, AudioBeforeTheFirstResumeRunsAtTheConstructionRate) {
    EXPECT_EQ(impulseArrival(*plugin, 5), 5 + 22);
}

TEST_F(LoadedPlugin, ReleaseTypeDisplayFollowsTheValueBeforeDuringAndAfterProcessing) {
    EXPECT_EQ(display(tmx1::kReleaseType), "Classic");
    processOneBlock();
    EXPECT_EQ(display(tmx1::kReleaseType), "Classic");
    plugin->setParameter(tmx1::kReleaseType, 0.25f);
    EXPECT_EQ(display(tmx1::kReleaseType), "Pumper");
    processOneBlock();
    EXPECT_EQ(display(tmx1::kReleaseType), "Pumper");
}

TEST_F(LoadedPlugin, LoudMusicComesOutLimitedAndFinite) {
    plugin->dispatch(vst::effMainsChanged, 0, 1);
    setProgram(7); // "Maximum Loudness": brick-wall on
    std::vector<float> left(44100), right(44100);
    for (std::size_t i = 0; i < left.size(); ++i) {
        left[i] = static_cast<float>(3.0 * std::sin(double(i) * 0.05));
        right[i] = static_cast<float>(2.0 * std::sin(double(i) * 0.031));
    }
    for (std::size_t start = 0; start < left.size(); start += 441) {
        float* io[2] = {left.data() + start, right.data() + start};
        plugin->processReplacing(io, io, 441);
    }
    float peak = 0.0f;
    for (std::size_t i = 22050; i < left.size(); ++i)
        peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    EXPECT_LE(peak, 1.0f) << "brick-wall with auto-gain holds the output at the output gain";
    EXPECT_GT(peak, 0.5f);
}

} // namespace
