// The editor's window inside a host's X11 window. Each window has a connection of its own, is driven
// only from the host's editor calls (no thread of ours, no XInitThreads) and selects no key events,
// so keys keep reaching the host. When the X server goes away the window is reported destroyed and
// the host process lives on.
#pragma once

#include "platform/Window.h"

#include <cstdint>
#include <memory>

namespace platform::x11 {

// Whether value can name an X window at all: X resource ids are non-zero and have their top three bits
// clear. Xlib sends only the low 32 bits of an id, so a larger value would name whatever window its
// low bits happen to name.
bool IsWindowId(std::uintptr_t value);

// Creates a child of the X11 window `parent` at (0, 0). Throws WindowError when parent cannot be a
// window id, there is no display, or parent is not a window on it; nothing is left behind then (no
// window, no connection).
std::unique_ptr<NativeWindow> CreateChildWindow(std::uintptr_t parent, int width, int height,
                                                WindowListener& listener);

} // namespace platform::x11
