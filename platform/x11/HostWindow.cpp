// The host's window on X11: a top-level window on a connection of its own, sized like a DAW's plug-in
// window (the user cannot resize it; the plug-in can, through Resize). A server that goes away closes
// it, as if the user had.
#include "platform/HostWindow.h"

#include "platform/Window.h"
#include "platform/x11/Connection.h"
#include "platform/x11/ErrorTrap.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <string>

namespace platform {

namespace {

constexpr unsigned long kBackground = 0x202225; // shows until the editor paints

class X11HostWindow final : public HostWindow {
  public:
    X11HostWindow(std::unique_ptr<x11::Connection> connection, const std::string& title, int width,
                  int height)
        : connection_(std::move(connection)), display_(connection_->Get()) {
        try {
            Create(title, width, height);
        } catch (...) {
            Release();
            throw;
        }
    }
    ~X11HostWindow() override { Release(); }
    X11HostWindow(const X11HostWindow&) = delete;
    X11HostWindow& operator=(const X11HostWindow&) = delete;

    void* Handle() const override { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window_)); }

    void Resize(int width, int height) override {
        if (width <= 0 || height <= 0)
            throw WindowError("A window needs a positive size");
        if (connection_->Lost())
            return;
        const x11::ConnectionUse use(*connection_);
        FixSize(width, height);
        XResizeWindow(display_, window_, static_cast<unsigned>(width), static_cast<unsigned>(height));
        // Applied when this returns: whoever asks the server next, on any connection, sees the new size.
        XSync(display_, False);
    }

    bool Pump() override {
        const x11::ConnectionUse use(*connection_);
        while (open_ && !connection_->Lost() && XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            const bool closeAsked = event.type == ClientMessage && event.xclient.message_type == protocols_ &&
                                    static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow_;
            const bool destroyed = event.type == DestroyNotify && event.xdestroywindow.window == window_;
            if (closeAsked || destroyed)
                open_ = false;
            if (destroyed)
                gone_ = true;
        }
        if (connection_->Lost())
            open_ = false;
        return open_;
    }

  private:
    void Create(const std::string& title, int width, int height) {
        if (width <= 0 || height <= 0)
            throw WindowError("A window needs a positive size");
        x11::ErrorTrap trap(*connection_);
        window_ =
            XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, static_cast<unsigned>(width),
                                static_cast<unsigned>(height), 0, 0, kBackground);
        XSelectInput(display_, window_, StructureNotifyMask);
        XStoreName(display_, window_, title.c_str());
        XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_NAME", False),
                        XInternAtom(display_, "UTF8_STRING", False), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
        protocols_ = XInternAtom(display_, "WM_PROTOCOLS", False);
        deleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display_, window_, &deleteWindow_, 1);
        FixSize(width, height);
        XMapWindow(display_, window_);
        // The editor creates its window inside ours from a connection of its own: ours must exist by then.
        if (trap.Failed())
            throw WindowError("The X server refused a window of " + std::to_string(width) + " x " +
                              std::to_string(height));
    }

    void FixSize(int width, int height) {
        XSizeHints size{};
        size.flags = PMinSize | PMaxSize;
        size.min_width = size.max_width = width;
        size.min_height = size.max_height = height;
        XSetWMNormalHints(display_, window_, &size);
    }

    void Release() {
        const x11::ErrorTrap trap(*connection_);
        if (window_ != 0 && !gone_ && !connection_->Lost())
            XDestroyWindow(display_, window_);
    }

    std::unique_ptr<x11::Connection> connection_; // closed last
    Display* display_;
    Window window_ = 0;
    Atom protocols_ = 0;
    Atom deleteWindow_ = 0;
    bool open_ = true;
    bool gone_ = false; // destroyed by someone else
};

} // namespace

std::unique_ptr<HostWindow> HostWindow::Create(const std::string& title, int width, int height) {
    std::unique_ptr<x11::Connection> connection = x11::Connection::Open();
    if (!connection)
        throw WindowError("Cannot connect to the X server (is DISPLAY set?)");
    return std::make_unique<X11HostWindow>(std::move(connection), title, width, height);
}

} // namespace platform
