// What the effect asks of its host: exactly the announced requests, nothing else.
#include "platform/headless/Screen.h"
#include "tests/support/LoadedPlugin.h"

#include "dsp/ParameterTable.h"

#include <thread>
#include <vector>

namespace {

TEST(HostRequests, HostAnsweringZeroToVersionGetsNoEffect) {
    host::Host host({.versionAnswer = 0});
    EXPECT_EQ(host.instantiate(*testing_support::tmx1Library()), nullptr);
    ASSERT_EQ(host.requests().size(), 1u);
    EXPECT_EQ(host.requests()[0].opcode, vst::audioMasterVersion);
    EXPECT_FALSE(host.requests()[0].fromEffect);
}

TEST(HostRequests, ConstructionAsksVersionThenVendorThenProductOnly) {
    host::Host host;
    host::HostedEffect effect(host, testing_support::tmx1Library());
    const auto& requests = host.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].opcode, vst::audioMasterVersion);
    EXPECT_FALSE(requests[0].fromEffect);
    EXPECT_EQ(requests[1].opcode, vst::audioMasterGetVendorString);
    EXPECT_TRUE(requests[1].fromEffect);
    EXPECT_EQ(requests[2].opcode, vst::audioMasterGetProductString);
    EXPECT_TRUE(requests[2].fromEffect);
}

TEST(HostRequests, HostRequestsAreNotReportedBackExceptAProgramLoadsRereadRequest) {
    host::Host host;
    host::HostedEffect effect(host, testing_support::tmx1Library());
    host.clearRequests();
    effect.setParameter(tmx1::kThreshold, 0.3f);
    effect.dispatch(vst::effSetProgram, 0, 5);
    effect.dispatch(vst::effSetSampleRate, 0, 0, nullptr, 96000.0f);
    effect.dispatch(vst::effMainsChanged, 0, 1);
    float left[64] = {}, right[64] = {};
    float* channels[2] = {left, right};
    effect.processReplacing(channels, channels, 64);
    platform::headless::Screen screen;
    host::openEditorOnScreen(effect.record(), screen);
    effect.dispatch(vst::effEditIdle);
    effect.dispatch(vst::effEditClose);
    const auto requests = host.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].opcode, vst::audioMasterUpdateDisplay);
}

// A DAW keeps its own copy of every value for its controls and automation lanes; after it loads a
// program it must be told to read them again, or it shows (and automates from) the old ones.
TEST(HostRequests, AProgramLoadAsksTheHostToRereadFromTheRequestingThreadOnceAllValuesAreSet) {
    std::vector<float> reread;
    std::thread::id requestThread;
    host::Host host({.onRequest = [&](vst::AEffect* record, vst::Int32 opcode) {
        if (opcode != vst::audioMasterUpdateDisplay)
            return;
        requestThread = std::this_thread::get_id();
        reread.clear();
        for (int i = 0; i < tmx1::kNumParams; ++i)
            reread.push_back(record->getParameter(record, i));
    }});
    host::HostedEffect effect(host, testing_support::tmx1Library());
    // Program 8 with its Stereo Link (the last parameter a program load changes) edited off.
    effect.dispatch(vst::effSetProgram, 0, 8);
    effect.setParameter(tmx1::kStereoLink, 0.0f);
    effect.dispatch(vst::effSetProgram, 0, 0);
    EXPECT_EQ(reread.at(tmx1::kStereoLink), 1.0f);
    reread.clear();
    effect.dispatch(vst::effSetProgram, 0, 8);
    ASSERT_EQ(reread.size(), static_cast<std::size_t>(tmx1::kNumParams)) << "no re-read was asked for";
    EXPECT_EQ(requestThread, std::this_thread::get_id());
    for (int i = 0; i < tmx1::kNumParams; ++i)
        EXPECT_EQ(reread[static_cast<std::size_t>(i)], effect.getParameter(i)) << "parameter " << i;
    EXPECT_EQ(reread[tmx1::kStereoLink], 0.0f) << "the host re-read before the program's values were stored";
}

TEST(HostRequests, AProgramLoadFromTheAudioThreadOrOutOfRangeDoesNotCallTheHost) {
    host::Host host;
    host::HostedEffect effect(host, testing_support::tmx1Library());
    host.clearRequests();
    effect.dispatch(vst::effSetProgram, 0, 10);
    effect.dispatch(vst::effSetProgram, 0, -1);
    std::thread audio([&] {
        float left[64] = {}, right[64] = {};
        float* channels[2] = {left, right};
        effect.processReplacing(channels, channels, 64);
        effect.dispatch(vst::effSetProgram, 0, 3); // some hosts switch programs between blocks
    });
    audio.join();
    EXPECT_TRUE(host.requests().empty());
    EXPECT_EQ(effect.dispatch(vst::effGetProgram), 3);
    effect.dispatch(vst::effSetProgram, 0, 4);
    ASSERT_EQ(host.requests().size(), 1u);
    EXPECT_EQ(host.requests()[0].opcode, vst::audioMasterUpdateDisplay);
}

} // namespace
