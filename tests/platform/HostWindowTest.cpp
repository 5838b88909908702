// The host's top-level window on a private X server: what the window manager is told, an editor's
// window created inside it from another connection at once, resizing, and the ways it is closed.
#include "platform/HostWindow.h"
#include "platform/Window.h"
#include "tests/support/XvfbServer.h"

// Xlib's macros (None, Bool, Status) would break the test framework's headers: those come first.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "tests/support/DesktopUser.h"

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

struct NoPaint : platform::WindowListener {
    void WindowPaint(const platform::Rect&) override {}
    void WindowMouse(const platform::MouseEvent&) override {}
    void WindowKey(const platform::KeyEvent&) override {}
};

// The user's (or window manager's) side, on a connection of its own.
class HostWindowOnScreen : public ::testing::Test {
  protected:
    void SetUp() override {
        testing_support::privateDisplay();
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        window = platform::HostWindow::Create("TMX-1 \xe2\x80\x94 Brindlow Audio", 570, 265);
        id = static_cast<Window>(reinterpret_cast<std::uintptr_t>(window->Handle()));
    }
    void TearDown() override {
        window.reset();
        if (display != nullptr)
            XCloseDisplay(display);
    }

    XWindowAttributes attributes() {
        XWindowAttributes result{};
        XGetWindowAttributes(display, id, &result);
        return result;
    }
    XSizeHints sizeHints() {
        XSizeHints size{};
        long supplied = 0;
        XGetWMNormalHints(display, id, &size, &supplied);
        return size;
    }
    // Pumps as a host's loop does until the window reports closed, for up to ten seconds.
    bool pumpsUntilClosed() {
        for (int i = 0; i < 1000; ++i) {
            if (!window->Pump())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    Display* display = nullptr;
    std::unique_ptr<platform::HostWindow> window;
    Window id = 0;
};

TEST_F(HostWindowOnScreen, OpensMappedAtTheTopLevelWithItsTitleAndAFixedSize) {
    const XWindowAttributes shown = attributes();
    EXPECT_EQ(shown.width, 570);
    EXPECT_EQ(shown.height, 265);
    EXPECT_EQ(shown.map_state, IsViewable);
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    ASSERT_NE(XQueryTree(display, id, &root, &parent, &children, &count), 0);
    EXPECT_EQ(parent, root);

    Atom type = 0;
    int format = 0;
    unsigned long items = 0, remaining = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, id, XInternAtom(display, "_NET_WM_NAME", False), 0, 256, False,
                       XInternAtom(display, "UTF8_STRING", False), &type, &format, &items, &remaining, &data);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), items), "TMX-1 \xe2\x80\x94 Brindlow Audio");
    XFree(data);
    const XSizeHints size = sizeHints();
    EXPECT_EQ(size.flags & (PMinSize | PMaxSize), PMinSize | PMaxSize);
    EXPECT_EQ(size.min_width, 570);
    EXPECT_EQ(size.max_width, 570);
    EXPECT_EQ(size.min_height, 265);
    EXPECT_EQ(size.max_height, 265);
    EXPECT_TRUE(window->Pump());
    EXPECT_TRUE(window->Pump());
}

TEST_F(HostWindowOnScreen, AnEditorCanOpenInsideItFromItsOwnConnectionRightAfterCreation) {
    NoPaint listener;
    std::unique_ptr<platform::NativeWindow> editor;
    ASSERT_NO_THROW(editor = platform::CreateChildWindow(platform::ParentWindow::Native(window->Handle()),
                                                         570, 265, listener));
    const std::vector<Window> inside = testing_support::childrenOf(display, id);
    ASSERT_EQ(inside.size(), 1u);
    EXPECT_EQ(inside[0], reinterpret_cast<std::uintptr_t>(editor->Handle()));
}

TEST_F(HostWindowOnScreen, ResizeChangesTheWindowAndTheSizeItIsFixedAt) {
    window->Resize(300, 200);
    XSync(display, False);
    EXPECT_EQ(attributes().width, 300);
    EXPECT_EQ(attributes().height, 200);
    EXPECT_EQ(sizeHints().min_width, 300);
    EXPECT_EQ(sizeHints().max_height, 200);
    EXPECT_THROW(window->Resize(0, 200), platform::WindowError);
    EXPECT_TRUE(window->Pump());
}

TEST_F(HostWindowOnScreen, TheWindowManagersCloseButtonEndsThePumpForGood) {
    EXPECT_TRUE(window->Pump());
    testing_support::closeByWindowManager(display, id);
    EXPECT_TRUE(pumpsUntilClosed());
    EXPECT_FALSE(window->Pump());
    EXPECT_EQ(attributes().map_state, IsViewable) << "the host decides when the window goes";
}

TEST_F(HostWindowOnScreen, AWindowDestroyedBySomeoneElseEndsThePump) {
    XDestroyWindow(display, id);
    XSync(display, False);
    EXPECT_TRUE(pumpsUntilClosed());
    window.reset(); // its own destroy request for a window that is gone must not end the process
}

TEST(HostWindowWithoutADisplay, CreateThrows) {
    testing_support::privateDisplay();
    EXPECT_THROW(platform::HostWindow::Create("x", 0, 100), platform::WindowError);
    const std::string saved = std::getenv("DISPLAY");
    unsetenv("DISPLAY");
    EXPECT_THROW(platform::HostWindow::Create("x", 570, 265), platform::WindowError);
    setenv("DISPLAY", saved.c_str(), 1);
}

} // namespace
