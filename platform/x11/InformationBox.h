// The information box on X11: a small window of our own with the text and an OK button, drawn in the
// look of the plug-in's panel. It has a connection of its own and never waits: whoever shows it (the
// editor's window, from the host's idle) serves it on each idle until the user closes it, so the
// host's own windows go on drawing and answering meanwhile.
#pragma once

#include <memory>
#include <string>

namespace platform::x11 {

class InformationBox {
  public:
    virtual ~InformationBox() = default; // destroys the window and closes the connection

    // Handles what the server has sent, without waiting. False once the user has closed the box (OK,
    // Enter, Escape or the window manager's close button) or the server has gone away; the box then
    // shows nothing any more.
    virtual bool Serve() = 0;
    // Shows the box again above everything and gives it the keyboard: the user asked for it again.
    virtual void BringForward() = 0;
    // The box's X window id, for tests that look at it from a connection of their own.
    virtual unsigned long WindowId() const = 0;
};

// Shows the box centred over `over` (an X window id; 0 or a window that does not exist centres it on
// the screen), transient for the top-level window `over` lies in. Null, showing nothing, when there is
// no display, no font face, or the display refuses the window.
std::unique_ptr<InformationBox> ShowInformationBox(unsigned long over, const std::string& title,
                                                   const std::string& text);

} // namespace platform::x11
