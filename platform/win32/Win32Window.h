// The editor's window inside a host's window on Windows. Hosts pump their thread's messages themselves,
// so the window paints, ticks and reports from whichever loop dispatches its messages: the host's, or
// its own Idle.
#pragma once

#include "platform/Window.h"

#include <memory>

namespace platform::win32 {

// Whether handle is a window of this process's window system (an HWND that exists).
bool IsWindowHandle(const void* handle);

// Creates a child of the host's window `parent` (an HWND) at (0, 0). Throws WindowError when Windows
// refuses the window; nothing is left behind then.
std::unique_ptr<NativeWindow> CreateChildWindow(void* parent, int width, int height,
                                                WindowListener& listener);

} // namespace platform::win32
