// The headless window system: invalid rectangles merge and paint once per idle, presented pixels reach
// the screen where they were put, timers tick on the fake clock from one interval after their start,
// a window whose screen went away stays harmless, information boxes are recorded on the screen, and
// the screen's desktop announces the scale a test gives it.
#include "platform/DesktopScale.h"
#include "platform/PixelMemory.h"
#include "platform/headless/Screen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {

using namespace platform;

struct Recorder : WindowListener {
    std::vector<Rect> paints;
    std::vector<MouseEvent> mouse;
    bool destroyed = false;
    void WindowPaint(const Rect& rect) override { paints.push_back(rect); }
    void WindowMouse(const MouseEvent& event) override { mouse.push_back(event); }
    void WindowKey(const KeyEvent&) override {}
    void WindowDestroyed() override { destroyed = true; }
};

TEST(HeadlessWindow, InvalidRectanglesMergeAndPaintOncePerIdle) {
    headless::Screen screen;
    Recorder recorder;
    auto window = CreateChildWindow(platform::ParentWindow::Headless(screen), 100, 50, recorder);
    window->Idle();
    ASSERT_EQ(recorder.paints.size(), 1u);
    EXPECT_EQ(recorder.paints[0], (Rect{0, 0, 100, 50})) << "a new window paints whole";
    window->Invalidate({10, 10, 20, 20});
    window->Invalidate({30, 5, 40, 15});
    window->Invalidate({90, 40, 200, 200});
    window->Idle();
    window->Idle();
    ASSERT_EQ(recorder.paints.size(), 2u);
    EXPECT_EQ(recorder.paints[1], (Rect{10, 5, 100, 50})) << "merged and clipped to the window";
    window->Invalidate({0, 0, 10, 10});
    window->Validate({0, 0, 10, 10});
    window->Idle();
    EXPECT_EQ(recorder.paints.size(), 2u) << "a validated rectangle is not painted";
}

TEST(HeadlessWindow, PresentedPixelsLandAtTheirPlaceTopDown) {
    headless::Screen screen;
    Recorder recorder;
    auto window = CreateChildWindow(platform::ParentWindow::Headless(screen), 4, 3, recorder);
    PixelMemory buffer(2, 2);
    // Rows bottom-up: the first row in memory is the picture's bottom row.
    buffer.Pixels()[0] = 0xFF000003;
    buffer.Pixels()[1] = 0xFF000004;
    buffer.Pixels()[2] = 0xFF000001;
    buffer.Pixels()[3] = 0xFF000002;
    window->Present(buffer, {0, 0, 2, 2}, 1, 1);
    auto& shown = screen.LastWindow();
    EXPECT_EQ(shown.ScreenPixel(1, 1), 1u);
    EXPECT_EQ(shown.ScreenPixel(2, 1), 2u);
    EXPECT_EQ(shown.ScreenPixel(1, 2), 3u);
    EXPECT_EQ(shown.ScreenPixel(0, 0), 0u);
    window->Present(buffer, {1, 0, 2, 1}, 3, 0);
    EXPECT_EQ(shown.ScreenPixel(3, 0), 2u) << "a part of the buffer to another place; alpha is not shown";
}

TEST(HeadlessWindow, TimersTickEveryIntervalFromOneIntervalAfterTheirStart) {
    headless::Screen screen;
    Recorder recorder;
    auto window = CreateChildWindow(platform::ParentWindow::Headless(screen), 10, 10, recorder);
    auto& shown = screen.LastWindow();
    std::vector<std::uint64_t> ticks;
    auto timer = window->CreateTimer([&] { ticks.push_back(shown.NowMs()); });
    shown.AdvanceClock(30);
    timer->Start(50);
    shown.AdvanceClock(49);
    EXPECT_TRUE(ticks.empty());
    shown.AdvanceClock(121);
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{80, 130, 180}));
    timer->Stop();
    shown.AdvanceClock(500);
    EXPECT_EQ(ticks.size(), 3u);
    EXPECT_FALSE(timer->Running());
    // A tick that stops its own timer ends it.
    auto once = window->CreateTimer([&] { ticks.push_back(0); });
    once->Start(10);
    auto* raw = once.get();
    auto stopper = window->CreateTimer([&] { raw->Stop(); });
    stopper->Start(10);
    shown.AdvanceClock(100);
    EXPECT_EQ(ticks.size(), 4u);
    // A timer outliving its window never ticks.
    once->Start(10);
    window.reset();
    once->Start(10);
    EXPECT_NO_THROW(once->Stop());
}

TEST(HeadlessWindow, MouseEventsCarryTheHeldButtonsAndAGoneScreenEndsTheWindow) {
    Recorder recorder;
    std::unique_ptr<NativeWindow> window;
    {
        headless::Screen screen;
        window = CreateChildWindow(platform::ParentWindow::Headless(screen), 10, 10, recorder);
        auto& shown = screen.LastWindow();
        shown.Press(2, 3, MouseButton::Left, modShift);
        shown.Move(12, 3);
        shown.Release(12, 3);
        ASSERT_EQ(recorder.mouse.size(), 3u);
        EXPECT_EQ(recorder.mouse[0].modifiers, modShift | modLeftButton);
        EXPECT_EQ(recorder.mouse[1].modifiers, unsigned{modLeftButton}) << "a drag reports the held button";
        EXPECT_EQ(recorder.mouse[1].x, 12) << "outside the window while held";
        EXPECT_EQ(recorder.mouse[2].modifiers, 0u);
    }
    EXPECT_TRUE(recorder.destroyed);
    window->Invalidate({0, 0, 5, 5});
    window->Idle();
    EXPECT_EQ(recorder.paints.size(), 0u) << "nothing reaches a destroyed window's listener";
    EXPECT_THROW(CreateChildWindow(ParentWindow::Native(nullptr), 10, 10, recorder), WindowError);
}

TEST(HeadlessWindow, AnInformationBoxIsRecordedOnItsScreenAndClosedAtOnce) {
    Recorder recorder;
    auto screen = std::make_unique<headless::Screen>();
    auto window = CreateChildWindow(platform::ParentWindow::Headless(*screen), 20, 10, recorder);
    window->ShowInformation("TMX-1", "Some text");
    EXPECT_FALSE(window->ShowsInformation());
    ASSERT_EQ(screen->InformationBoxes().size(), 1u);
    EXPECT_EQ(screen->InformationBoxes()[0].title, "TMX-1");
    EXPECT_EQ(screen->InformationBoxes()[0].text, "Some text");

    screen.reset();
    window->ShowInformation("TMX-1", "no screen to show it on"); // harmless
    EXPECT_FALSE(window->ShowsInformation());
}

// Editors are opened on headless screens as at every dpi a desktop can have, on every system.
TEST(HeadlessWindow, TheScreensDesktopScaleIsWhatTheTestSetAndNothingUnusable) {
    headless::Screen screen;
    const auto scale = [&screen] { return DesktopScale(ParentWindow::Headless(screen)); };
    EXPECT_EQ(scale(), 0.0) << "a new screen's desktop says nothing";
    screen.SetDesktopScale(1.75);
    EXPECT_EQ(scale(), 1.75);
    for (const double unusable :
         {0.0, -1.5, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        screen.SetDesktopScale(unusable);
        EXPECT_EQ(scale(), 0.0) << unusable;
    }
}

} // namespace
