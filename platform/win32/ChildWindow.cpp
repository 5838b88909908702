// The editor's window on Windows: inside the host's window, or on a headless screen for tests. The
// parent handle tells which. A headless screen is passed by address, which on Windows may lie as low
// as any window handle; asking the window system first tells the two apart.
#include "platform/Window.h"
#include "platform/headless/Screen.h"
#include "platform/win32/Win32Window.h"

namespace platform {

// No handle on Windows is an X11 window.
bool IsX11Handle(const void*) { return false; }

std::unique_ptr<NativeWindow> CreateChildWindow(void* parent, int width, int height,
                                                WindowListener& listener) {
    if (parent == nullptr)
        throw WindowError("No parent window");
    if (width <= 0 || height <= 0)
        throw WindowError("A window needs a positive size");
    if (win32::IsWindowHandle(parent))
        return win32::CreateChildWindow(parent, width, height, listener);
    headless::Screen* screen = headless::Screen::FromHandle(parent);
    if (screen == nullptr)
        throw WindowError("The parent handle is neither a window nor a headless screen");
    return std::make_unique<headless::HeadlessWindow>(*screen, width, height, listener);
}

} // namespace platform
