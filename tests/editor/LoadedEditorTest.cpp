// The built plug-in's editor as a host sees it: opened through the loaded library's dispatcher inside
// a headless parent, driven with the mouse, and opened and closed many times.
#include "tests/editor/LoadedEditor.h"

namespace editortest {
namespace {

TEST_F(LoadedEditor, AKnobDragReachesTheEffectAndTheHost) {
    open();
    idle();
    host.clearRequests();
    window().Press(168, 103); // the threshold knob's centre
    window().Move(168, 98);
    window().Move(168, 93);
    window().Release(168, 93);
    EXPECT_FLOAT_EQ(plugin->getParameter(0), 0.9f);
    const std::vector<host::HostRequest> requests = host.requests();
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(requests.front().opcode, vst::audioMasterBeginEdit);
    const host::HostRequest& last = requests[requests.size() - 2];
    EXPECT_EQ(last.opcode, vst::audioMasterAutomate);
    EXPECT_EQ(last.index, 0);
    EXPECT_FLOAT_EQ(last.opt, 0.9f);
    EXPECT_EQ(requests.back().opcode, vst::audioMasterEndEdit) << "the release ends the edit";
    EXPECT_EQ(requests.back().index, 0);
    EXPECT_TRUE(window().Captured() == false) << "capture ends with the release";
}

TEST_F(LoadedEditor, OpenAndCloseManyTimesLeavesNothingBehind) {
    for (int i = 0; i < 40; ++i) {
        open();
        idle();
        plugin->dispatch(vst::effEditClose);
        ASSERT_EQ(screen.WindowCount(), 0) << "cycle " << i;
    }
    open(); // and the effect goes with its editor open
    EXPECT_EQ(plugin->close(), 1);
    EXPECT_EQ(screen.WindowCount(), 0);
}

} // namespace
} // namespace editortest
