// The editor's window on Linux: inside the host's X11 window, or on a headless screen for tests and
// off-screen snapshots. The parent handle tells which.
#include "platform/Window.h"
#include "platform/headless/Screen.h"
#include "platform/x11/X11Window.h"

#include <cstdint>

namespace platform {

bool IsX11Handle(const void* handle) {
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    return value != 0 && value <= 0xFFFFFFFFu;
}

std::unique_ptr<NativeWindow> CreateChildWindow(void* parent, int width, int height, WindowListener& listener) {
    if (parent == nullptr)
        throw WindowError("No parent window");
    if (width <= 0 || height <= 0)
        throw WindowError("A window needs a positive size");
    if (IsX11Handle(parent))
        return x11::CreateChildWindow(reinterpret_cast<std::uintptr_t>(parent), width, height, listener);
    headless::Screen* screen = headless::Screen::FromHandle(parent);
    if (screen == nullptr)
        throw WindowError("The parent handle is neither an X11 window nor a headless screen");
    return std::make_unique<headless::HeadlessWindow>(*screen, width, height, listener);
}

} // namespace platform
