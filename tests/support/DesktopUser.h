// What a user and the window manager do to a test's windows on the private X server, from the test's
// own connection.
#pragma once

#include "tests/support/ShownPanel.h"

#include <X11/Xlib.h>

#include <string>
#include <vector>

namespace testing_support {

std::vector<Window> childrenOf(Display* display, Window window);
// A top-level window whose WM_NAME is title, or 0.
Window topLevelNamed(Display* display, const std::string& title);
// The mapped (viewable) top-level windows whose WM_NAME is title, bottom to top.
std::vector<Window> shownTopLevelsNamed(Display* display, const std::string& title);
// The window that has the keyboard.
Window focusedWindow(Display* display);
// Whether top-level window upper lies above top-level window lower; false when either is not there.
bool stackedAbove(Display* display, Window upper, Window lower);
// The window manager's close button: WM_DELETE_WINDOW, as a client message.
void closeByWindowManager(Display* display, Window window);
// A mapped top-level window standing in for a host's plug-in window, at (x, y) of the root window.
Window hostWindow(Display* display, int x, int y, int width, int height);
// A mapped top-level window of the given size on the server DISPLAY names, left there when the
// connection that made it closes: the test then holds no connection to that server. 0 when there is
// no server.
Window windowWithoutConnection(int width, int height);

// The user's pointer moved to (x, y) of the root window, and a mouse button pressed or released,
// through XTest; each waits until the server has taken it.
void movePointer(Display* display, int x, int y);
void pressButton(Display* display, unsigned number, bool down);

// What the window shows from (0, 0) to (width, height); empty when the server gives nothing.
Shown shownBy(Display* display, Window window, int width, int height);

} // namespace testing_support
