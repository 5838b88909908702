// The editor's window inside a host's X11 window, on a private X server: creation as a child, the
// paint copied out, input with its modifiers (synthesised through XTest), timers from the idle, a
// host that destroys its window first, refused parents, open/close without leaks, and a server that
// goes away.
#include "platform/PixelMemory.h"
#include "platform/Window.h"
#include "tests/support/XvfbServer.h"

// Xlib's macros (None, Bool, Status) would break the test framework's headers: those come first.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "tests/support/DesktopUser.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

using platform::MouseEventKind;

// Paints the whole window in one colour and records what it is told.
class RecordingListener : public platform::WindowListener {
  public:
    explicit RecordingListener(std::uint32_t colour) : colour_(colour) {}

    void WindowPaint(const platform::Rect& rect) override {
        paints.push_back(rect);
        platform::PixelMemory buffer(rect.Right, rect.Bottom);
        std::fill(buffer.Pixels(), buffer.Pixels() + rect.Right * rect.Bottom, colour_);
        window->Present(buffer, rect, rect.Left, rect.Top);
    }
    void WindowMouse(const platform::MouseEvent& event) override { mouse.push_back(event); }
    void WindowKey(const platform::KeyEvent&) override { ++keys; }
    void WindowDestroyed() override { ++destroyed; }

    platform::NativeWindow* window = nullptr;
    std::vector<platform::Rect> paints;
    std::vector<platform::MouseEvent> mouse;
    int keys = 0;
    int destroyed = 0;

  private:
    std::uint32_t colour_;
};

// The host's side: its own connection and a top-level window to put the editor in.
class HostDisplay : public ::testing::Test {
  protected:
    void SetUp() override {
        testing_support::privateDisplay();
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 40, 30, 300, 200, 0, 0, 0x202020);
        XMapWindow(display, parent);
        XSync(display, False);
    }
    void TearDown() override {
        if (display != nullptr) {
            XDestroyWindow(display, parent);
            XCloseDisplay(display);
        }
    }

    std::unique_ptr<platform::NativeWindow> open(RecordingListener& listener, int width = 200, int height = 100) {
        auto window =
            platform::CreateChildWindow(platform::ParentWindow::Native(handle()), width, height, listener);
        listener.window = window.get();
        return window;
    }
    void* handle() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent)); }

    // The children of the host's window, as the server knows them.
    std::vector<Window> children() { return testing_support::childrenOf(display, parent); }
    // A pixel of the host's window as the screen shows it, 0xRRGGBB.
    std::uint32_t pixel(int x, int y) {
        XImage* image = XGetImage(display, parent, x, y, 1, 1, AllPlanes, ZPixmap);
        const auto value = static_cast<std::uint32_t>(XGetPixel(image, 0, 0)) & 0xffffff;
        XDestroyImage(image);
        return value;
    }
    // Synthesised input at a point of the host's window.
    void moveTo(int x, int y) {
        XTestFakeMotionEvent(display, -1, 40 + x, 30 + y, CurrentTime);
        XSync(display, False);
    }
    void button(unsigned number, bool down) {
        XTestFakeButtonEvent(display, number, down ? True : False, CurrentTime);
        XSync(display, False);
    }
    void key(KeySym symbol, bool down) {
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, symbol), down ? True : False, CurrentTime);
        XSync(display, False);
    }
    // Idles the editor until `done` holds, as a host idling at 100 Hz, for up to ten seconds: far
    // longer than a busy machine takes.
    template <class Condition> bool idleUntil(platform::NativeWindow& window, Condition done) {
        for (int i = 0; i < 1000; ++i) {
            window.Idle();
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    Display* display = nullptr;
    Window parent = 0;
};

TEST_F(HostDisplay, TheEditorIsAChildAtTheCornerAndItsPaintReachesTheScreen) {
    RecordingListener listener(0xFFC03020);
    auto window = open(listener);
    const std::vector<Window> kids = children();
    ASSERT_EQ(kids.size(), 1u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(window->Handle()), kids[0]);
    XWindowAttributes attributes;
    XGetWindowAttributes(display, kids[0], &attributes);
    EXPECT_EQ(attributes.x, 0);
    EXPECT_EQ(attributes.y, 0);
    EXPECT_EQ(attributes.width, 200);
    EXPECT_EQ(attributes.height, 100);
    EXPECT_EQ(attributes.map_state, IsViewable);
    EXPECT_EQ(attributes.your_event_mask & (KeyPressMask | KeyReleaseMask), 0) << "keys stay with the host";

    ASSERT_TRUE(idleUntil(*window, [&] { return !listener.paints.empty(); }));
    EXPECT_EQ(listener.paints[0], (platform::Rect{0, 0, 200, 100})) << "the first paint covers everything";
    EXPECT_EQ(pixel(0, 0), 0xC03020u);
    EXPECT_EQ(pixel(199, 99), 0xC03020u);
    EXPECT_EQ(pixel(200, 100), 0x202020u) << "the host's window beyond the editor is untouched";

    const std::size_t paints = listener.paints.size();
    window->Idle();
    window->Idle();
    EXPECT_EQ(listener.paints.size(), paints) << "nothing invalid, nothing painted";
    window->Invalidate({10, 10, 20, 20});
    window->Invalidate({30, 5, 40, 15});
    window->Idle();
    ASSERT_EQ(listener.paints.size(), paints + 1);
    EXPECT_EQ(listener.paints.back(), (platform::Rect{10, 5, 40, 20})) << "one paint of the merged rectangle";
}

TEST_F(HostDisplay, PressDragOutsideAndReleaseWithTheirModifiers) {
    RecordingListener listener(0xFF000000);
    auto window = open(listener);
    idleUntil(*window, [&] { return !listener.paints.empty(); });
    moveTo(50, 40);
    key(XK_Control_L, true);
    button(1, true);
    moveTo(250, 150); // outside the editor, inside the host's window
    button(1, false);
    key(XK_Control_L, false);
    ASSERT_TRUE(idleUntil(*window, [&] {
        return !listener.mouse.empty() && listener.mouse.back().kind == MouseEventKind::Leave;
    }));

    std::vector<platform::MouseEvent> presses, releases, moves;
    for (const auto& event : listener.mouse) {
        if (event.kind == MouseEventKind::Press)
            presses.push_back(event);
        else if (event.kind == MouseEventKind::Release)
            releases.push_back(event);
        else if (event.kind == MouseEventKind::Move)
            moves.push_back(event);
    }
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0].x, 50);
    EXPECT_EQ(presses[0].y, 40);
    EXPECT_EQ(presses[0].button, platform::MouseButton::Left);
    EXPECT_EQ(presses[0].modifiers & (platform::modCtrl | platform::modLeftButton),
              platform::modCtrl | platform::modLeftButton);
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back().x, 250) << "the drag keeps coming while the button is held";
    EXPECT_EQ(moves.back().y, 150);
    EXPECT_NE(moves.back().modifiers & platform::modLeftButton, 0u);
    ASSERT_EQ(releases.size(), 1u);
    EXPECT_EQ(releases[0].modifiers & platform::modLeftButton, 0u) << "the released button is no longer held";
    EXPECT_NE(releases[0].modifiers & platform::modCtrl, 0u);
}

TEST_F(HostDisplay, ASecondQuickPressIsADoubleClick) {
    RecordingListener listener(0xFF000000);
    auto window = open(listener);
    moveTo(20, 20);
    for (int i = 0; i < 2; ++i) {
        button(1, true);
        button(1, false);
    }
    ASSERT_TRUE(idleUntil(*window, [&] {
        return std::count_if(listener.mouse.begin(), listener.mouse.end(),
                             [](const auto& e) { return e.kind == MouseEventKind::Release; }) == 2;
    }));
    std::vector<unsigned> pressModifiers;
    for (const auto& event : listener.mouse)
        if (event.kind == MouseEventKind::Press)
            pressModifiers.push_back(event.modifiers & platform::modDouble);
    EXPECT_EQ(pressModifiers, (std::vector<unsigned>{0, platform::modDouble}));
}

// A busy machine may stretch any pause, so what is checked holds for however long each one took: no
// tick before its interval has passed, and every interval that has passed ticks.
TEST_F(HostDisplay, TimersTickFromTheIdleWithoutBursts) {
    RecordingListener listener(0xFF000000);
    auto window = open(listener);
    int ticks = 0;
    auto timer = window->CreateTimer([&] { ++ticks; });
    const auto started = std::chrono::steady_clock::now();
    const auto intervalsPassed = [&] {
        return static_cast<int>((std::chrono::steady_clock::now() - started) / std::chrono::milliseconds(20));
    };
    timer->Start(20);
    window->Idle();
    EXPECT_LE(ticks, intervalsPassed()) << "the first tick comes one interval after the start";
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    window->Idle();
    EXPECT_GE(ticks, 2);
    EXPECT_LE(ticks, intervalsPassed());
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // a host that stalled
    const int before = ticks;
    window->Idle();
    EXPECT_LE(ticks - before, 4) << "a late idle catches up a little, not fifteen times";
    timer->Stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const int stopped = ticks;
    window->Idle();
    EXPECT_EQ(ticks, stopped);
    window.reset();
    timer->Start(1); // a timer that outlives its window never ticks
}

int hostErrors = 0;
int countingHandler(Display*, XErrorEvent*) {
    ++hostErrors;
    return 0;
}

TEST_F(HostDisplay, TheHostDestroysItsWindowFirst) {
    XErrorHandler hosts = XSetErrorHandler(countingHandler);
    RecordingListener listener(0xFF000000);
    auto window = open(listener);
    window->Idle();
    XDestroyWindow(display, parent);
    XSync(display, False);
    parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0); // for TearDown
    ASSERT_TRUE(idleUntil(*window, [&] { return listener.destroyed == 1; }));
    window->Invalidate({0, 0, 10, 10});
    window->Idle();
    window.reset(); // must not destroy the window again, nor upset the host's handler
    XSync(display, False);
    EXPECT_EQ(hostErrors, 0);
    EXPECT_EQ(XSetErrorHandler(hosts), countingHandler) << "the host's handler is in place again";
}

TEST_F(HostDisplay, RefusedParentsThrowAndLeaveTheHostsHandlerAlone) {
    XErrorHandler hosts = XSetErrorHandler(countingHandler);
    hostErrors = 0;
    RecordingListener listener(0xFF000000);
    EXPECT_THROW(platform::CreateChildWindow(
                     platform::ParentWindow::Native(reinterpret_cast<void*>(std::uintptr_t{0x1234567})), 10,
                     10, listener),
                 platform::WindowError);
    EXPECT_EQ(hostErrors, 0) << "our errors are ours";
    EXPECT_EQ(XSetErrorHandler(hosts), countingHandler);

    const std::string display = std::getenv("DISPLAY");
    unsetenv("DISPLAY");
    EXPECT_THROW(platform::CreateChildWindow(platform::ParentWindow::Native(handle()), 10, 10, listener),
                 platform::WindowError);
    setenv("DISPLAY", display.c_str(), 1);
    EXPECT_TRUE(children().empty());
}

// Open descriptors of this process: an X connection left open would show as one more.
std::size_t openDescriptors() {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator()));
}

TEST_F(HostDisplay, OpeningAndClosingAHundredTimesLeavesNoWindowsOrConnections) {
    RecordingListener listener(0xFF000000);
    open(listener)->Idle(); // whatever Xlib keeps for the life of the process is made once here
    const std::size_t descriptors = openDescriptors();
    for (int i = 0; i < 100; ++i) {
        auto window = open(listener);
        window->Idle();
    }
    EXPECT_TRUE(children().empty());
    EXPECT_EQ(openDescriptors(), descriptors);
}

// The X server goes away while the window is open (it crashed, a remote session dropped). Xlib's own
// answer ends the process, and the process keeps Xlib's own handler here, as most hosts do; the test
// holds no connection to that server. The window is reported destroyed instead, once, and every
// further call does nothing.
TEST(ServerLoss, TheWindowIsReportedDestroyedAndTheProcessLivesOn) {
    const XIOErrorHandler hosts = XSetIOErrorHandler(nullptr);
    XSetIOErrorHandler(hosts);
    testing_support::XvfbServer server;
    const testing_support::DisplayVariable pointed(server.display());
    const Window parent = testing_support::windowWithoutConnection(200, 100);
    ASSERT_NE(parent, 0u);
    const std::size_t descriptors = openDescriptors();
    RecordingListener listener(0xFF102030);
    auto window = platform::CreateChildWindow(
        platform::ParentWindow::Native(reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent))), 200,
        100, listener);
    listener.window = window.get();
    window->Idle();
    ASSERT_EQ(listener.paints.size(), 1u);
    int ticks = 0;
    auto timer = window->CreateTimer([&ticks] { ++ticks; });

    server.kill();
    timer->Start(1);
    window->SetCursor(platform::Cursor::HandPoint); // the first request to meet the dead connection
    window->Invalidate({0, 0, 200, 100});
    window->Idle();
    EXPECT_EQ(listener.destroyed, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    window->Invalidate({0, 0, 200, 100});
    window->SetCursor(platform::Cursor::Arrow);
    window->Idle();
    window->Idle();
    EXPECT_EQ(listener.destroyed, 1) << "reported once";
    EXPECT_EQ(listener.paints.size(), 1u) << "nothing painted for a gone window";
    EXPECT_EQ(ticks, 0) << "a gone window's timers never tick";
    timer.reset();
    window.reset();
    EXPECT_EQ(openDescriptors(), descriptors) << "the connection is closed";
    EXPECT_EQ(XSetIOErrorHandler(hosts), hosts) << "the host's handler is in place again";
}

} // namespace
