// How much larger than at 96 dpi the desktop around a parent window draws (1.5 for 144 dpi), as the
// user set it for the whole desktop.
#pragma once

#include "platform/Window.h"

namespace platform {

// The desktop's scale for windows in parent; 0 when the desktop says nothing or nothing usable (not a
// positive finite number). X11: the server's Xft.dpi resource divided by 96, else the environment's
// GDK_SCALE. Windows: the dpi the system gives the parent window divided by 96 (a host that is not
// dpi-aware has its windows enlarged by the system and gets 1). Headless: what the screen was set to.
double DesktopScale(const ParentWindow& parent);

} // namespace platform
