// The scale the X11 desktop announces to the programs on it.
#pragma once

#include <string_view>

namespace platform::x11 {

// The server's Xft.dpi resource (of the display DISPLAY names) divided by 96; else GDK_SCALE from the
// environment; else 0. A value that is not a positive number counts as not given.
double DesktopScale();

// Xft.dpi / 96 from the text of a resource database ("Xft.dpi:\t144\n..."); 0 without a usable one.
double XftDpiScale(std::string_view resources);

} // namespace platform::x11
