// The built plug-in's editor opened by a host in a window of the host's on a private X server, with
// the user's input synthesised through the test's own connection.
#pragma once

#include "tests/support/LoadedPlugin.h"
#include "tests/support/XvfbServer.h"

// Xlib's macros (None, Bool, Status) would break the test framework's headers: those come first.
#include "tests/support/DesktopUser.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <thread>

namespace testing_support {

// Open descriptors of this process: an X connection left open shows as one more.
inline std::size_t openDescriptors() {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                                  std::filesystem::directory_iterator()));
}

// Idles the effect's editor as a host does, at 100 Hz for a while, so that the server's events arrive
// and are handled.
inline void idleEditorFor(host::HostedEffect& effect, int milliseconds) {
    for (int elapsed = 0; elapsed < milliseconds; elapsed += 10) {
        effect.dispatch(vst::effEditIdle);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Idles the effect's editor at 100 Hz until `done` holds, for up to ten seconds: far longer than a busy
// machine takes for what a test waits for (an event handled, a window painted or resized).
template <class Condition> bool idleEditorUntil(host::HostedEffect& effect, Condition done) {
    for (int i = 0; i < 1000; ++i) {
        effect.dispatch(vst::effEditIdle);
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// The host's side: a top-level window at (kParentX, kParentY) for the editor, idled as a host idles it,
// and the user's pointer driven through XTest from the test's own connection.
class X11Editor : public LoadedPlugin {
  protected:
    void SetUp() override {
        testing_support::privateDisplay();
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), kParentX, kParentY, 570, 265, 0, 0, 0);
        XMapWindow(display, parent);
        XSync(display, False);
    }
    void TearDown() override {
        if (parent != 0)
            XDestroyWindow(display, parent);
        XCloseDisplay(display);
    }

    void* parentHandle() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent)); }
    void open() { ASSERT_EQ(plugin->dispatch(vst::effEditOpen, 0, 0, parentHandle()), 1); }
    void idleFor(int milliseconds) { idleEditorFor(*plugin, milliseconds); }
    template <class Condition> bool idleUntil(Condition done) { return idleEditorUntil(*plugin, done); }
    void pointer(int x, int y) { movePointer(display, kParentX + x, kParentY + y); }
    void button(bool down) { pressButton(display, 1, down); }

    static constexpr int kParentX = 20;
    static constexpr int kParentY = 10;
    Display* display = nullptr;
    Window parent = 0;
};

} // namespace testing_support
