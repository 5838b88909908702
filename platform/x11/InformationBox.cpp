#include "platform/x11/InformationBox.h"

#include "platform/x11/Connection.h"
#include "platform/x11/ErrorTrap.h"
#include "platform/x11/InformationBoxPicture.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <bit>
#include <memory>
#include <optional>
#include <vector>

namespace platform::x11 {

namespace {

constexpr long kEventMask = ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask | LeaveWindowMask | StructureNotifyMask | FocusChangeMask;

// An 8-bit channel value placed in the bits of a true-colour visual's mask.
unsigned long inMask(unsigned long mask, std::uint32_t value) {
    if (mask == 0)
        return 0;
    const int bits = std::popcount(mask);
    const unsigned long scaled =
        bits >= 8 ? static_cast<unsigned long>(value) << (bits - 8) : value >> (8 - bits);
    return (scaled << std::countr_zero(mask)) & mask;
}

bool hasProperty(Display* display, Window window, Atom property) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const bool read = XGetWindowProperty(display, window, property, 0, 0, False, AnyPropertyType, &type,
                                         &format, &items, &remaining, &data) == Success;
    if (data != nullptr)
        XFree(data);
    return read && type != 0;
}

// The top-level window that `window` lies in: the nearest the window manager manages (it carries
// WM_STATE), else, with no window manager running, the last one below the root. 0 when it is gone.
Window topLevelOf(Display* display, Window window) {
    const Atom wmState = XInternAtom(display, "WM_STATE", False);
    while (!hasProperty(display, window, wmState)) {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display, window, &root, &parent, &children, &count) == 0)
            return 0;
        if (children != nullptr)
            XFree(children);
        if (parent == root || parent == 0)
            break;
        window = parent;
    }
    return window;
}

// Where `window` lies on the root window, when it is a window of this display.
std::optional<Rect> rectOnRoot(Display* display, Window window) {
    XWindowAttributes attributes{};
    int x = 0;
    int y = 0;
    Window child = 0;
    if (window == 0 || XGetWindowAttributes(display, window, &attributes) == 0 ||
        XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child) == 0)
        return std::nullopt;
    return Rect{x, y, x + attributes.width, y + attributes.height};
}

// Centred over `around`, or over the screen without it, and wholly on the screen where it fits.
Rect placement(Display* display, const std::optional<Rect>& around, int width, int height) {
    const int screen = DefaultScreen(display);
    const Rect whole{0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)};
    const Rect centre = around.value_or(whole);
    const int x = std::clamp(centre.Left + (centre.Width() - width) / 2, 0, std::max(whole.Right - width, 0));
    const int y =
        std::clamp(centre.Top + (centre.Height() - height) / 2, 0, std::max(whole.Bottom - height, 0));
    return {x, y, x + width, y + height};
}

// The box's window on a connection of its own, from creation until the user has closed it. Each call
// traps the errors of its own requests (a parent that is gone, a server out of resources), and a server
// that goes away closes the box.
class ShownBox final : public InformationBox {
  public:
    ShownBox(std::unique_ptr<Connection> connection, const std::string& title, const std::string& text)
        : connection_(std::move(connection)), display_(connection_->Get()), picture_(title, text) {}
    ~ShownBox() override {
        const ErrorTrap trap(*connection_);
        if (image_ != nullptr) {
            image_->data = nullptr; // imageData_ is ours to free, not Xlib's
            XDestroyImage(image_);
        }
        if (gc_ != nullptr)
            XFreeGC(display_, gc_); // also of a lost connection: the GC lives on our side too
        if (connection_->Lost())
            return;
        DestroyWindow();
        if (colormap_ != 0)
            XFreeColormap(display_, colormap_);
    }
    ShownBox(const ShownBox&) = delete;
    ShownBox& operator=(const ShownBox&) = delete;

    // Creates and maps the window; false when the display refused it, and then nothing is shown.
    bool Open(const std::string& title, Window parent) {
        ErrorTrap trap(*connection_);
        XVisualInfo visual{};
        if (XMatchVisualInfo(display_, DefaultScreen(display_), 24, TrueColor, &visual) == 0)
            return false;
        const std::optional<Rect> parentRect = rectOnRoot(display_, parent);
        const Window owner = parentRect ? topLevelOf(display_, parent) : 0;
        trap.Reset(); // a parent that is not a window just puts the box in the middle of the screen
        const Rect frame = placement(display_, parentRect, picture_.Width(), picture_.Height());
        Create(visual, frame);
        if (trap.Failed() || !MakeImage(visual))
            return false;
        Describe(title, owner, frame);
        XMapRaised(display_, window_);
        return !trap.Failed();
    }

    bool Serve() override {
        if (!Showing())
            return false;
        const ErrorTrap trap(*connection_);
        // XPending before each event: of a lost connection, XNextEvent would wait for nothing.
        while (Showing() && XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            Dispatch(event);
        }
        if (closed_ && !connection_->Lost()) {
            DestroyWindow(); // gone from the screen now, not when the owner lets go of the box
            XFlush(display_);
        }
        return Showing();
    }

    void BringForward() override {
        if (!Showing())
            return;
        const ErrorTrap trap(*connection_);
        XMapRaised(display_, window_); // also out of a minimised state
        AskToActivate();
        focusAsked_ = false;
        TakeFocus();
        XFlush(display_);
    }

    unsigned long WindowId() const override { return window_; }

  private:
    bool Showing() const { return !closed_ && !connection_->Lost(); }

    void DestroyWindow() {
        if (window_ != 0 && !destroyed_)
            XDestroyWindow(display_, window_);
        destroyed_ = true;
    }

    void Create(const XVisualInfo& visual, const Rect& frame) {
        colormap_ = XCreateColormap(display_, DefaultRootWindow(display_), visual.visual, AllocNone);
        XSetWindowAttributes attributes{};
        attributes.colormap = colormap_;
        attributes.border_pixel = 0;
        attributes.background_pixmap = None; // the server never erases: every pixel is ours to paint
        attributes.event_mask = kEventMask;
        window_ = XCreateWindow(display_, DefaultRootWindow(display_), frame.Left, frame.Top,
                                static_cast<unsigned>(frame.Width()), static_cast<unsigned>(frame.Height()),
                                0, visual.depth, InputOutput, visual.visual,
                                CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask, &attributes);
        gc_ = XCreateGC(display_, window_, 0, nullptr);
        masks_ = {visual.red_mask, visual.green_mask, visual.blue_mask};
    }

    // What the window manager needs: the title, a fixed size at our place, the keyboard, the close
    // button's protocol, and the owner it keeps the box above.
    void Describe(const std::string& title, Window owner, const Rect& frame) {
        XStoreName(display_, window_, title.c_str());
        XChangeProperty(display_, window_, Intern("_NET_WM_NAME"), Intern("UTF8_STRING"), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
        XSizeHints size{};
        size.flags = USPosition | PPosition | PSize | PMinSize | PMaxSize;
        size.x = frame.Left;
        size.y = frame.Top;
        size.width = size.min_width = size.max_width = frame.Width();
        size.height = size.min_height = size.max_height = frame.Height();
        XSetWMNormalHints(display_, window_, &size);
        XWMHints hints{};
        hints.flags = InputHint | StateHint;
        hints.input = True;
        hints.initial_state = NormalState;
        XSetWMHints(display_, window_, &hints);
        deleteWindow_ = Intern("WM_DELETE_WINDOW");
        XSetWMProtocols(display_, window_, &deleteWindow_, 1);
        SetAtomProperty("_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DIALOG");
        if (owner != 0) {
            XSetTransientForHint(display_, window_, owner);
            SetAtomProperty("_NET_WM_STATE", "_NET_WM_STATE_MODAL");
        }
    }

    bool MakeImage(const XVisualInfo& visual) {
        image_ = XCreateImage(display_, visual.visual, static_cast<unsigned>(visual.depth), ZPixmap, 0,
                              nullptr, static_cast<unsigned>(picture_.Width()),
                              static_cast<unsigned>(picture_.Height()), 32, 0);
        if (image_ == nullptr)
            return false;
        imageData_.resize(static_cast<std::size_t>(image_->bytes_per_line) * picture_.Height());
        image_->data = imageData_.data();
        return true;
    }

    void Dispatch(const XEvent& event) {
        switch (event.type) {
        case Expose:
            if (event.xexpose.count == 0)
                Present();
            break;
        case MapNotify:
            TakeFocus();
            break;
        case FocusIn:
        case FocusOut:
            // A focus that only follows the pointer (no one holds the keyboard) does not count.
            if (event.xfocus.detail != NotifyPointer)
                Show({look_.hover, look_.pressed, event.type == FocusIn});
            break;
        case KeyPress:
            Key(event.xkey);
            break;
        case ButtonPress:
            if (event.xbutton.button == Button1 &&
                picture_.Button().Contains(event.xbutton.x, event.xbutton.y))
                buttonHeld_ = true;
            Pointer(event.xbutton.x, event.xbutton.y);
            break;
        case ButtonRelease:
            if (event.xbutton.button == Button1)
                Release(event.xbutton.x, event.xbutton.y);
            break;
        case MotionNotify:
            Pointer(event.xmotion.x, event.xmotion.y);
            break;
        case LeaveNotify:
            Show({false, false, look_.focused});
            break;
        case ClientMessage:
            if (event.xclient.message_type == Intern("WM_PROTOCOLS") &&
                static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow_)
                closed_ = true;
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == window_)
                destroyed_ = closed_ = true;
            break;
        default:
            break;
        }
    }

    void Key(XKeyEvent key) {
        const KeySym symbol = XLookupKeysym(&key, 0);
        // Space presses a focused button, as everywhere else on the desktop.
        if (symbol == XK_Return || symbol == XK_KP_Enter || symbol == XK_Escape || symbol == XK_space)
            closed_ = true;
    }

    void Pointer(int x, int y) {
        const bool over = picture_.Button().Contains(x, y);
        Show({over, over && buttonHeld_, look_.focused});
    }

    // A click counts only when the button goes up over OK after it went down there.
    void Release(int x, int y) {
        closed_ = buttonHeld_ && picture_.Button().Contains(x, y);
        buttonHeld_ = false;
        Pointer(x, y);
    }

    void TakeFocus() {
        if (focusAsked_)
            return;
        focusAsked_ = true;
        // Refused (BadMatch) while a window manager has not shown the box yet; it then gives the
        // focus itself. The refusal is this trap's alone.
        ErrorTrap refused(*connection_);
        XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
    }

    // A window manager may keep a client's own raise from taking effect; this is how a client asks it.
    void AskToActivate() {
        XEvent message{};
        message.xclient.type = ClientMessage;
        message.xclient.window = window_;
        message.xclient.message_type = Intern("_NET_ACTIVE_WINDOW");
        message.xclient.format = 32;
        message.xclient.data.l[0] = 1; // a request from an application
        message.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, DefaultRootWindow(display_), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &message);
    }

    void Show(const ButtonLook& look) {
        if (look.hover == look_.hover && look.pressed == look_.pressed && look.focused == look_.focused)
            return;
        look_ = look;
        Present();
    }

    void Present() {
        if (!Showing())
            return;
        const std::vector<std::uint32_t>& pixels = picture_.Paint(look_);
        const int width = picture_.Width();
        for (int y = 0; y < picture_.Height(); ++y)
            for (int x = 0; x < width; ++x) {
                const std::uint32_t pixel = pixels[static_cast<std::size_t>(y) * width + x];
                XPutPixel(image_, x, y,
                          inMask(masks_.red, pixel >> 16 & 0xff) | inMask(masks_.green, pixel >> 8 & 0xff) |
                              inMask(masks_.blue, pixel & 0xff));
            }
        XPutImage(display_, window_, gc_, image_, 0, 0, 0, 0, static_cast<unsigned>(width),
                  static_cast<unsigned>(picture_.Height()));
        XFlush(display_);
    }

    Atom Intern(const char* name) { return XInternAtom(display_, name, False); }

    void SetAtomProperty(const char* property, const char* value) {
        const Atom atom = Intern(value);
        XChangeProperty(display_, window_, Intern(property), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&atom), 1);
    }

    struct Masks {
        unsigned long red = 0;
        unsigned long green = 0;
        unsigned long blue = 0;
    };

    std::unique_ptr<Connection> connection_; // closed last, after everything made on it
    Display* display_;
    InformationBoxPicture picture_;
    Colormap colormap_ = 0;
    Window window_ = 0;
    GC gc_ = nullptr;
    XImage* image_ = nullptr;
    std::vector<char> imageData_;
    Masks masks_;
    Atom deleteWindow_ = 0;
    ButtonLook look_;
    bool buttonHeld_ = false; // the left button went down on OK and has not come up yet
    bool focusAsked_ = false;
    bool closed_ = false;
    bool destroyed_ = false; // there is no window left to destroy (ours did it, or someone else)
};

} // namespace

std::unique_ptr<InformationBox> ShowInformationBox(unsigned long over, const std::string& title,
                                                   const std::string& text) {
    std::unique_ptr<Connection> connection = Connection::Open();
    if (!connection)
        return nullptr;
    try {
        auto box = std::make_unique<ShownBox>(std::move(connection), title, text);
        if (!box->Open(title, over))
            return nullptr;
        return box;
    } catch (const FontError&) {
        return nullptr; // no font face at all: there is nothing readable to show
    }
}

} // namespace platform::x11
