// The editor's window on Linux: inside the host's X11 window, or on a headless screen for tests and
// off-screen snapshots, as the caller says.
#include "platform/Window.h"
#include "platform/headless/Screen.h"
#include "platform/x11/X11Window.h"

namespace platform {

std::unique_ptr<NativeWindow> CreateChildWindow(const ParentWindow& parent, int width, int height,
                                                WindowListener& listener) {
    if (width <= 0 || height <= 0)
        throw WindowError("A window needs a positive size");
    if (headless::Screen* screen = parent.Screen())
        return std::make_unique<headless::HeadlessWindow>(*screen, width, height, listener);
    return x11::CreateChildWindow(parent.NativeHandle(), width, height, listener);
}

} // namespace platform
