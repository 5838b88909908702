// TMX-1.clap's panel in our CLAP host on a private X server: embedded in the host's window and idled by
// the host's timer, showing the VST editor's panel and the host's changes; the host's scale; and an
// XTest drag on a knob reaching the host as one gesture.
// The test framework first: Xlib's macros (None, Bool) would break its headers.
#include <gtest/gtest.h>

#include "tests/clap/ClapTestHost.h"

#include "clap/ClapParameters.h"
#include "dsp/ParameterTable.h"
#include "tests/support/DesktopUser.h"
#include "tests/support/ShownPanel.h"
#include "tests/support/UserSettingsSandbox.h"
#include "tests/support/VstKnobDrag.h"
#include "tests/support/XvfbServer.h"

#include <X11/Xlib.h>

#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <utility>

namespace {

using claptest::ClapInstance;
using claptest::Stereo;

class ClapGuiOnX11 : public ::testing::Test {
  protected:
    void SetUp() override {
        testing_support::privateDisplay();
        settings.emplace(::testing::UnitTest::GetInstance()->current_test_info()->name());
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        parent = testing_support::hostWindow(display, kParentX, kParentY, 570, 265);
        instance = std::make_unique<ClapInstance>(claptest::loadedEntry());
        ASSERT_TRUE(instance->activate(44100.0));
    }
    void TearDown() override {
        instance.reset();
        if (display != nullptr) {
            XDestroyWindow(display, parent);
            XCloseDisplay(display);
        }
        settings.reset();
    }

    const clap::clap_plugin_gui& gui() const {
        return instance->extension<clap::clap_plugin_gui>(clap::kExtGui);
    }
    const clap::clap_plugin* plugin() const { return &instance->plugin(); }
    bool setParent() {
        clap::clap_window window{clap::kWindowApiX11, {}};
        window.x11 = parent;
        return gui().set_parent(plugin(), &window) && gui().show(plugin());
    }
    Window panelWindow() const {
        const std::vector<Window> children = testing_support::childrenOf(display, parent);
        return children.size() == 1 ? children.front() : 0;
    }
    // The host's timers and audio for a while, at about 100 Hz, on one thread as a simple host runs them.
    void runFor(int milliseconds, float level = 0.0f) {
        for (int elapsed = 0; elapsed < milliseconds; elapsed += 10) {
            Stereo in(441), out;
            std::fill(in.left.begin(), in.left.end(), level);
            std::fill(in.right.begin(), in.right.end(), -level);
            instance->process(in, out);
            instance->fireTimers();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    testing_support::Shown shown(int width = 570, int height = 265) const {
        return testing_support::shownBy(display, panelWindow(), width, height);
    }
    void pointer(int x, int y) { testing_support::movePointer(display, kParentX + x, kParentY + y); }

    static constexpr int kParentX = 30;
    static constexpr int kParentY = 20;
    std::optional<testing_support::UserSettingsSandbox> settings;
    Display* display = nullptr;
    Window parent = 0;
    std::unique_ptr<ClapInstance> instance;
};

TEST_F(ClapGuiOnX11, ThePanelEmbedsIdlesByTheHostsTimerShowsTheVstPanelAndTheHostsChanges) {
    EXPECT_TRUE(gui().is_api_supported(plugin(), "x11", false));
    EXPECT_FALSE(gui().is_api_supported(plugin(), "x11", true)) << "never floating";
    EXPECT_FALSE(gui().is_api_supported(plugin(), "win32", false));
    EXPECT_FALSE(gui().create(plugin(), "x11", true));
    ASSERT_TRUE(gui().create(plugin(), "x11", false));
    ASSERT_EQ(instance->timers.size(), 1u) << "the panel idles from the host's timer";
    const std::uint32_t period = instance->timers.begin()->second;
    EXPECT_GE(period, 10u);
    EXPECT_LE(period, 60u);
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    ASSERT_TRUE(gui().get_size(plugin(), &width, &height));
    EXPECT_EQ(std::make_pair(width, height), std::make_pair(570u, 265u));
    ASSERT_TRUE(setParent());
    ASSERT_NE(panelWindow(), 0u) << "one window, inside the host's";

    const toolkit::TPictureData panel = toolkit::LoadPictureFile(TMX1_PANEL_PICTURE);
    runFor(200);
    const testing_support::Shown idled = shown();
    EXPECT_LE(testing_support::clearDifferences(idled, panel, 570), testing_support::pictureTolerance(100))
        << "the panel with the defaults is the VST panel as it opens";

    // The host's automation moves the threshold while the panel is open.
    instance->flush({{tmx1::kThreshold, -30.0}});
    runFor(100);
    const testing_support::ShownArea changed = testing_support::changedArea(idled, shown());
    EXPECT_GT(changed.width(), 0) << "the panel shows the host's change";
    EXPECT_TRUE(instance->sent.empty()) << "and sends nothing back";

    gui().destroy(plugin());
    XSync(display, False);
    EXPECT_TRUE(testing_support::childrenOf(display, parent).empty());
    EXPECT_TRUE(instance->timers.empty()) << "the timer goes with the panel";
}

TEST_F(ClapGuiOnX11, TheHostsScaleOfTwoGivesTheDoubleSizeWhichIsTheOnlyOne) {
    ASSERT_TRUE(gui().create(plugin(), "x11", false));
    EXPECT_TRUE(gui().set_scale(plugin(), 2.0));
    EXPECT_FALSE(gui().can_resize(plugin()));
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    ASSERT_TRUE(gui().get_size(plugin(), &width, &height));
    EXPECT_EQ(std::make_pair(width, height), std::make_pair(1140u, 530u));
    EXPECT_FALSE(gui().set_size(plugin(), 570, 265));
    EXPECT_TRUE(gui().set_size(plugin(), 1140, 530));
    ASSERT_TRUE(setParent());
    XWindowAttributes attributes{};
    ASSERT_NE(XGetWindowAttributes(display, panelWindow(), &attributes), 0);
    EXPECT_EQ(std::make_pair(attributes.width, attributes.height), std::make_pair(1140, 530));
    EXPECT_TRUE(instance->resizeRequests.empty()) << "the host chose the size itself";
}

TEST_F(ClapGuiOnX11, AnXTestDragOnTheThresholdKnobReachesTheHostAsOneGesture) {
    ASSERT_TRUE(gui().create(plugin(), "x11", false));
    ASSERT_TRUE(setParent());
    runFor(100, 0.9f);

    // The same drag in the VST editor, for where the knob is and the value it gives.
    const testing_support::KnobDrag drag = testing_support::thresholdDragInVstEditor(30);
    const int x = drag.x;
    const int y = drag.y;
    const float expected = drag.value;

    pointer(x, y);
    runFor(50, 0.9f);
    testing_support::pressButton(display, 1, true);
    runFor(50, 0.9f);
    for (int step = 1; step <= 30; ++step) {
        pointer(x, y + step);
        runFor(10, 0.9f);
    }
    testing_support::pressButton(display, 1, false);
    runFor(100, 0.9f);

    const auto& sent = instance->sent;
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent.front().type, clap::kEventParamGestureBegin);
    EXPECT_EQ(sent.back().type, clap::kEventParamGestureEnd);
    for (std::size_t k = 0; k < sent.size(); ++k) {
        EXPECT_EQ(sent[k].param, static_cast<clap::clap_id>(tmx1::kThreshold)) << k;
        if (k > 0 && k + 1 < sent.size()) {
            EXPECT_EQ(sent[k].type, clap::kEventParamValue) << k << ": values only between begin and end";
        }
    }
    const double last = sent[sent.size() - 2].value;
    EXPECT_EQ(tmx1::clapparams::normalisedOf(tmx1::kThreshold, last), expected)
        << "the host hears the value the VST parameter would take";
    EXPECT_EQ(instance->value(tmx1::kThreshold), last) << "and the effect holds it";
    EXPECT_GT(instance->flushRequests, 0);
}

} // namespace
