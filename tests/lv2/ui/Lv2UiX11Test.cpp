// The LV2 panel in a host of our own on a private X server: embedded in the host's window, showing the
// VST editor's panel, an XTest drag on a knob reaching the DSP through its port between the touches of
// it, the host's scale factor, and many openings that leave nothing behind.
// The test framework first: Xlib's macros (None, Bool) would break its headers.
#include <gtest/gtest.h>

#include "tests/lv2/ui/Lv2UiHost.h"

#include "dsp/ParameterTable.h"
#include "lv2/PortMap.h"
#include "tests/support/DesktopUser.h"
#include "tests/support/ShownPanel.h"
#include "tests/support/UserSettingsSandbox.h"
#include "tests/support/VstKnobDrag.h"
#include "tests/support/XvfbServer.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <memory>
#include <optional>
#include <thread>

namespace {

using namespace tmx1::lv2;

std::size_t openDescriptors() {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                                  std::filesystem::directory_iterator()));
}

class Lv2UiOnX11 : public ::testing::Test {
  protected:
    void SetUp() override {
        testing_support::privateDisplay();
        settings.emplace(::testing::UnitTest::GetInstance()->current_test_info()->name());
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        parent = testing_support::hostWindow(display, kParentX, kParentY, 570, 265);
        host = std::make_unique<lv2test::Lv2UiHost>(TMX1_LV2_BUNDLE);
    }
    void TearDown() override {
        host.reset();
        if (display != nullptr) {
            XDestroyWindow(display, parent);
            XCloseDisplay(display);
        }
        settings.reset();
    }

    // The host's UI idle at 100 Hz for a while, with quiet audio running.
    void idleFor(int milliseconds, float level = 0.0f) {
        for (int elapsed = 0; elapsed < milliseconds; elapsed += 10) {
            host->run(441, level);
            host->idleUi();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    void pointer(int x, int y) { testing_support::movePointer(display, kParentX + x, kParentY + y); }
    void button(bool down) { testing_support::pressButton(display, 1, down); }
    std::pair<int, int> uiSize() const {
        Window root = 0;
        int x = 0;
        int y = 0;
        unsigned width = 0;
        unsigned height = 0;
        unsigned border = 0;
        unsigned depth = 0;
        XGetGeometry(display, host->uiWindow(), &root, &x, &y, &width, &height, &border, &depth);
        return {static_cast<int>(width), static_cast<int>(height)};
    }

    static constexpr int kParentX = 30;
    static constexpr int kParentY = 20;
    std::optional<testing_support::UserSettingsSandbox> settings;
    Display* display = nullptr;
    Window parent = 0;
    std::unique_ptr<lv2test::Lv2UiHost> host;
};

TEST_F(Lv2UiOnX11, TheUiEmbedsInTheHostsWindowAndShowsTheVstPanel) {
    ASSERT_TRUE(host->openUi(parent));
    ASSERT_NE(host->uiWindow(), 0u);
    const std::vector<Window> children = testing_support::childrenOf(display, parent);
    EXPECT_NE(std::find(children.begin(), children.end(), host->uiWindow()), children.end());
    EXPECT_EQ(uiSize(), std::make_pair(570, 265));
    idleFor(200);
    const testing_support::Shown shown = testing_support::shownBy(display, host->uiWindow(), 570, 265);
    const toolkit::TPictureData panel = toolkit::LoadPictureFile(TMX1_PANEL_PICTURE);
    EXPECT_LE(testing_support::clearDifferences(shown, panel, 570), testing_support::pictureTolerance(100))
        << "the LV2 panel with the defaults is the VST panel as it opens";
}

TEST_F(Lv2UiOnX11, AnXTestDragOnTheThresholdKnobReachesTheDspsPort) {
    ASSERT_TRUE(host->openUi(parent));
    idleFor(100, 0.9f);
    const float reductionBefore = host->control(kPortGainL);

    // The same drag in the VST editor, for where the knob is and the value it gives.
    const testing_support::KnobDrag drag = testing_support::thresholdDragInVstEditor(30);
    const int x = drag.x;
    const int y = drag.y;
    const float expected = drag.value;
    ASSERT_LT(expected, 0.8f);

    pointer(x, y);
    idleFor(50, 0.9f);
    button(true);
    idleFor(50, 0.9f);
    for (int step = 1; step <= 30; ++step) {
        pointer(x, y + step);
        idleFor(10, 0.9f);
    }
    button(false);
    idleFor(400, 0.9f); // the ramp is 100 ms; the meters follow
    EXPECT_EQ(NormalisedOf(tmx1::kThreshold, host->control(kPortThreshold)), expected)
        << "the DSP's port holds what the VST parameter would";
    ASSERT_EQ(host->touches.size(), 2u) << "the knob grabbed once and let go once, through the host's ui:touch";
    const lv2test::Lv2UiHost::Touch grab = host->touches[0];
    const lv2test::Lv2UiHost::Touch letGo = host->touches[1];
    EXPECT_EQ(grab.port, static_cast<std::uint32_t>(kPortThreshold));
    EXPECT_TRUE(grab.grabbed);
    EXPECT_EQ(letGo.port, static_cast<std::uint32_t>(kPortThreshold));
    EXPECT_FALSE(letGo.grabbed);
    const auto thresholdWrites = [&](std::size_t from, std::size_t to) {
        const auto isThreshold = [](const auto& write) { return write.first == std::uint32_t{kPortThreshold}; };
        return std::count_if(host->writes.begin() + static_cast<std::ptrdiff_t>(from),
                             host->writes.begin() + static_cast<std::ptrdiff_t>(to), isThreshold);
    };
    EXPECT_GT(thresholdWrites(grab.writesBefore, letGo.writesBefore), 0);
    EXPECT_EQ(thresholdWrites(0, grab.writesBefore) + thresholdWrites(letGo.writesBefore, host->writes.size()), 0)
        << "every write of the drag between the two";
    EXPECT_LT(host->control(kPortGainL), reductionBefore) << "and the DSP turns the loud signal down further";
}

TEST_F(Lv2UiOnX11, TheHostsScaleFactorZoomsThePanel) {
    ASSERT_TRUE(host->openUi(parent, 2.0f));
    ASSERT_FALSE(host->resizes.empty());
    EXPECT_EQ(host->resizes.front(), std::make_pair(1140, 530));
    EXPECT_EQ(uiSize(), std::make_pair(1140, 530));
}

TEST_F(Lv2UiOnX11, AHundredOpeningsLeaveNoWindowAndNoDescriptor) {
    ASSERT_TRUE(host->openUi(parent));
    idleFor(20);
    host->closeUi();
    const std::size_t descriptors = openDescriptors();
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(host->openUi(parent)) << i;
        host->run(64, 0.5f);
        host->idleUi();
        host->closeUi();
    }
    XSync(display, False);
    EXPECT_EQ(openDescriptors(), descriptors);
    EXPECT_TRUE(testing_support::childrenOf(display, parent).empty());
}

} // namespace
