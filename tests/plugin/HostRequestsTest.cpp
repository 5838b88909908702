// What the effect asks of its host: exactly the announced requests, nothing else.
#include "platform/headless/Screen.h"
#include "tests/support/LoadedPlugin.h"

#include "plugin/ParameterTable.h"

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

TEST(HostRequests, HostParameterAndProgramRequestsAreNotReportedBack) {
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
    EXPECT_TRUE(host.requests().empty());
}

} // namespace
