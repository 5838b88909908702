// The editor's window inside a host's X11 window. Each window has a connection of its own, is driven
// only from the host's editor calls (no thread of ours, no XInitThreads) and selects no key events,
// so keys keep reaching the host.
#pragma once

#include "platform/Window.h"

#include <cstdint>
#include <memory>

namespace platform::x11 {

// Creates a child of the X11 window `parent` at (0, 0). Throws WindowError when there is no display
// or the parent is not a window on it; nothing is left behind then.
std::unique_ptr<NativeWindow> CreateChildWindow(std::uintptr_t parent, int width, int height,
                                                WindowListener& listener);

} // namespace platform::x11
