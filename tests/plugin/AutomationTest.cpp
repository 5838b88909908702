// The editor's path into the effect: setParameterAutomated stores the value and tells the host.
#include "platform/headless/Screen.h"
#include "plugin/APlugin.h"
#include "tools/tmx1-host/EditorOnScreen.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Call {
    vst::Int32 opcode;
    vst::Int32 index;
    vst::IntPtr value;
    float opt;
};

std::vector<Call>* recorded = nullptr;

vst::IntPtr recordingHost(vst::AEffect*, vst::Int32 opcode, vst::Int32 index, vst::IntPtr value, void*,
                          float opt) {
    if (recorded != nullptr)
        recorded->push_back({opcode, index, value, opt});
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

class Automation : public ::testing::Test {
  protected:
    void SetUp() override { recorded = &calls; }
    void TearDown() override { recorded = nullptr; }
    std::vector<Call> calls;
};

TEST_F(Automation, AutomatedEditIsStoredAndReportedWithTheCallersValue) {
    tmx1::APlugin plugin(recordingHost);
    calls.clear();
    plugin.setParameterAutomated(tmx1::kKnee, 0.25f);
    EXPECT_EQ(plugin.getParameter(tmx1::kKnee), 0.25f);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].opcode, vst::audioMasterAutomate);
    EXPECT_EQ(calls[0].index, tmx1::kKnee);
    EXPECT_EQ(calls[0].value, 0);
    EXPECT_EQ(calls[0].opt, 0.25f);
}

TEST_F(Automation, HostHearsTheUnclampedValueTheEditorPassed) {
    tmx1::APlugin plugin(recordingHost);
    calls.clear();
    plugin.setParameterAutomated(tmx1::kGain, 1.5f);
    EXPECT_EQ(plugin.getParameter(tmx1::kGain), 1.0f);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].opt, 1.5f);
}

TEST_F(Automation, EveryAcceptedChangePostsAnEditorUpdate) {
    tmx1::APlugin plugin(recordingHost);
    tmx1::AEffEditor* bridge = plugin.getEditor();
    ASSERT_NE(bridge, nullptr);
    bridge->idle(); // nothing open: the posted update waits
    EXPECT_TRUE(bridge->isUpdatePosted());
    platform::headless::Screen screen;
    host::openEditorOnScreen(*plugin.getAeffect(), screen);
    bridge->idle();
    EXPECT_FALSE(bridge->isUpdatePosted());
    plugin.setParameter(12, 0.5f);
    EXPECT_FALSE(bridge->isUpdatePosted()) << "an ignored index must not post";
    plugin.setParameter(tmx1::kRelease, 0.5f);
    EXPECT_TRUE(bridge->isUpdatePosted());
    bridge->close();
}

TEST_F(Automation, OpeningAndClosingTheEditorDrivesEditorClosed) {
    tmx1::APlugin plugin(recordingHost);
    EXPECT_FALSE(plugin.isEditorClosed());
    platform::headless::Screen screen;
    host::openEditorOnScreen(*plugin.getAeffect(), screen);
    EXPECT_FALSE(plugin.isEditorClosed());
    plugin.getEditor()->close();
    EXPECT_TRUE(plugin.isEditorClosed());
    host::openEditorOnScreen(*plugin.getAeffect(), screen);
    EXPECT_FALSE(plugin.isEditorClosed());
}

} // namespace
