// The built plug-in's editor as a host sees it: opened through the loaded library's dispatcher inside
// a headless parent, driven with the mouse, compared with the committed picture of the panel, and
// opened and closed many times.
#include "tests/support/LoadedPlugin.h"

#include "platform/headless/Screen.h"
#include "toolkit/PictureFile.h"

#include <cstdlib>
#include <filesystem>

namespace {

using testing_support::LoadedPlugin;

class LoadedEditor : public LoadedPlugin {
  protected:
    void open() { ASSERT_EQ(plugin->dispatch(vst::effEditOpen, 0, 0, screen.Handle()), 1); }
    void idle() { plugin->dispatch(vst::effEditIdle); }
    platform::headless::HeadlessWindow& window() { return screen.LastWindow(); }

    platform::headless::Screen screen;
};

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
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().opcode, vst::audioMasterAutomate);
    EXPECT_EQ(requests.back().index, 0);
    EXPECT_FLOAT_EQ(requests.back().opt, 0.9f);
    EXPECT_TRUE(window().Captured() == false) << "capture ends with the release";
}

TEST_F(LoadedEditor, ThePanelAfterOpeningMatchesItsPicture) {
    open();
    idle();
    const toolkit::TPictureData golden = toolkit::LoadPictureFile(TMX1_PANEL_PICTURE);
    ASSERT_EQ(golden.width, 570);
    ASSERT_EQ(golden.height, 265);
    // Text is drawn by the system's font rasteriser, which may differ in a few edge pixels.
    int differing = 0;
    int worst = 0;
    for (int y = 0; y < golden.height; ++y)
        for (int x = 0; x < golden.width; ++x) {
            const std::uint32_t want =
                golden.pixels[static_cast<std::size_t>(golden.height - 1 - y) * 570 + static_cast<std::size_t>(x)];
            const std::uint32_t got = window().ScreenPixel(x, y);
            int difference = 0;
            for (int shift : {0, 8, 16})
                difference = std::max(difference, std::abs(static_cast<int>((want >> shift) & 0xff) -
                                                            static_cast<int>((got >> shift) & 0xff)));
            worst = std::max(worst, difference);
            if (difference > 24)
                ++differing;
        }
    EXPECT_LE(differing, 200) << "pixels that differ clearly (worst difference " << worst
                              << "); if the artwork changed on purpose, regenerate the picture with "
                                 "build/tmx1-host snapshot tests/editor/panel.png";
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
