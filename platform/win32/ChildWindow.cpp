// The editor's window on Windows: inside the host's window, or on a headless screen for tests, as the
// caller says. The host's handle only ever goes to the window system, which knows whether it names a
// window.
#include "platform/Window.h"
#include "platform/headless/Screen.h"
#include "platform/win32/Win32Window.h"

namespace platform {

std::unique_ptr<NativeWindow> CreateChildWindow(const ParentWindow& parent, int width, int height,
                                                WindowListener& listener) {
    if (width <= 0 || height <= 0)
        throw WindowError("A window needs a positive size");
    if (headless::Screen* screen = parent.Screen())
        return std::make_unique<headless::HeadlessWindow>(*screen, width, height, listener);
    void* handle = reinterpret_cast<void*>(parent.NativeHandle());
    if (!win32::IsWindowHandle(handle))
        throw WindowError("The host's handle is not a window");
    return win32::CreateChildWindow(handle, width, height, listener);
}

} // namespace platform
