// A top-level window of our own on the desktop, in which a host shows a plug-in's editor: what a DAW
// does around an editor, for tmx1-host and the tests.
#pragma once

#include <memory>
#include <string>

namespace platform {

class HostWindow {
  public:
    // Opens a window with the given title and client size on the user's display. Throws WindowError
    // when there is no display to open it on.
    static std::unique_ptr<HostWindow> Create(const std::string& title, int width, int height);

    virtual ~HostWindow() = default;

    // The handle to pass to the editor as its parent (an X11 window id).
    virtual void* Handle() const = 0;
    virtual void Resize(int width, int height) = 0;
    // Handles what is pending without blocking; false once the user has closed the window.
    virtual bool Pump() = 0;
};

} // namespace platform
