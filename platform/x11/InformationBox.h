// The information box on X11: a small modal window of our own with the text and an OK button, drawn in
// the look of the plug-in's panel. It opens a connection of its own, so it works whatever thread or
// connection the caller (the editor inside a host) uses.
#pragma once

#include <string>

namespace platform::x11 {

// Shows the box centred over parentWindow (an X window id; 0 or a window that does not exist centres it
// on the screen) and returns once the user has closed it: OK, Enter, Escape or the window manager's
// close button. Returns at once, showing nothing, when there is no display to show it on.
void ShowInformationBox(unsigned long parentWindow, const std::string& title, const std::string& text);

} // namespace platform::x11
