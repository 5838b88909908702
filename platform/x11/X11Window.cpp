#include "platform/x11/X11Window.h"

#include "platform/PixelMemory.h"
#include "platform/x11/Connection.h"
#include "platform/x11/ErrorTrap.h"
#include "platform/x11/InformationBox.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace platform::x11 {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Only what the editor uses. No key events: keys go to the host, which passes them on if it wants.
constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            EnterWindowMask | LeaveWindowMask | StructureNotifyMask;
constexpr Time kDoubleClickMs = 400;
constexpr int kDoubleClickSlop = 4;
// A host that idles slowly still sees a held knob repeat, but never a burst of catch-up ticks.
constexpr int kMostTicksPerIdle = 4;

unsigned modifiersOf(unsigned state) {
    unsigned modifiers = 0;
    if ((state & ShiftMask) != 0)
        modifiers |= modShift;
    if ((state & ControlMask) != 0)
        modifiers |= modCtrl;
    if ((state & Mod1Mask) != 0)
        modifiers |= modAlt;
    if ((state & Button1Mask) != 0)
        modifiers |= modLeftButton;
    if ((state & Button2Mask) != 0)
        modifiers |= modMiddleButton;
    if ((state & Button3Mask) != 0)
        modifiers |= modRightButton;
    return modifiers;
}

// Buttons 1 to 3; the wheel's buttons 4 to 7 are not for the editor.
bool isPointerButton(unsigned button) { return button >= Button1 && button <= Button3; }

MouseButton buttonOf(unsigned button) {
    return button == Button1 ? MouseButton::Left : button == Button3 ? MouseButton::Right : MouseButton::Middle;
}

unsigned buttonModifier(unsigned button) {
    return button == Button1 ? modLeftButton : button == Button3 ? modRightButton : modMiddleButton;
}

std::string hexId(std::uintptr_t id) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(id));
    return text;
}

// Whether the server knows window; asked before anything is made, so that a stale id leaves nothing.
bool isLiveWindow(const Connection& connection, Window window) {
    ErrorTrap trap(connection);
    XWindowAttributes attributes{};
    return XGetWindowAttributes(connection.Get(), window, &attributes) != 0 && !trap.Failed();
}

// The place where presented pixels are turned top-down for the server: shared memory when the server
// runs on this machine and offers MIT-SHM, else an image sent through the connection.
class StagingImage {
  public:
    StagingImage(const Connection& connection, const XVisualInfo& visual, int width, int height)
        : connection_(connection), display_(connection.Get()), width_(width), height_(height) {
        if (!TryShared(visual))
            MakePlain(visual);
        standardMasks_ = visual.red_mask == 0xff0000 && visual.green_mask == 0xff00 && visual.blue_mask == 0xff &&
                         image_->bits_per_pixel == 32;
    }
    ~StagingImage() {
        if (shared_) {
            if (!connection_.Lost()) {
                XShmDetach(display_, &segment_);
                XSync(display_, False);
            }
            shmdt(segment_.shmaddr);
        }
        image_->data = nullptr; // the pixels are ours (or the segment's), not Xlib's to free
        XDestroyImage(image_);
    }
    StagingImage(const StagingImage&) = delete;
    StagingImage& operator=(const StagingImage&) = delete;

    bool Shared() const { return shared_; }

    void Put(Window window, GC gc, const PixelMemory& backBuffer, const Rect& rect, int x, int y) {
        const Rect visible = Intersection(Intersection(rect, {0, 0, backBuffer.Width(), backBuffer.Height()}),
                                          Offset({0, 0, width_, height_}, rect.Left - x, rect.Top - y));
        if (visible.Empty())
            return;
        const int dx = x + visible.Left - rect.Left;
        const int dy = y + visible.Top - rect.Top;
        for (int row = 0; row < visible.Height(); ++row) {
            const std::uint32_t* source = backBuffer.Pixels() +
                                          static_cast<std::size_t>(backBuffer.Height() - 1 - (visible.Top + row)) *
                                              static_cast<std::size_t>(backBuffer.Width()) +
                                          visible.Left;
            CopyRow(source, visible.Width(), dx, dy + row);
        }
        if (shared_) {
            XShmPutImage(display_, window, gc, image_, dx, dy, dx, dy, static_cast<unsigned>(visible.Width()),
                         static_cast<unsigned>(visible.Height()), False);
            XSync(display_, False); // the server has read the segment before we write it again
        } else {
            XPutImage(display_, window, gc, image_, dx, dy, dx, dy, static_cast<unsigned>(visible.Width()),
                      static_cast<unsigned>(visible.Height()));
        }
    }

  private:
    bool TryShared(const XVisualInfo& visual) {
        if (XShmQueryExtension(display_) == False || ImageByteOrder(display_) != LSBFirst)
            return false;
        image_ = XShmCreateImage(display_, visual.visual, static_cast<unsigned>(visual.depth), ZPixmap, nullptr,
                                 &segment_, static_cast<unsigned>(width_), static_cast<unsigned>(height_));
        if (image_ == nullptr)
            return false;
        const auto bytes = static_cast<std::size_t>(image_->bytes_per_line) * static_cast<std::size_t>(height_);
        segment_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        void* address = segment_.shmid >= 0 ? shmat(segment_.shmid, nullptr, 0) : reinterpret_cast<void*>(-1);
        bool attached = false;
        if (address != reinterpret_cast<void*>(-1)) {
            segment_.shmaddr = image_->data = static_cast<char*>(address);
            segment_.readOnly = False;
            ErrorTrap trap(connection_); // a server on another machine refuses the segment
            attached = XShmAttach(display_, &segment_) != False && !trap.Failed();
        }
        if (segment_.shmid >= 0)
            shmctl(segment_.shmid, IPC_RMID, nullptr); // freed once both sides have let go
        if (!attached) {
            if (address != reinterpret_cast<void*>(-1))
                shmdt(address);
            image_->data = nullptr;
            XDestroyImage(image_);
            image_ = nullptr;
            return false;
        }
        shared_ = true;
        return true;
    }

    void MakePlain(const XVisualInfo& visual) {
        plain_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0);
        image_ = XCreateImage(display_, visual.visual, static_cast<unsigned>(visual.depth), ZPixmap, 0,
                              reinterpret_cast<char*>(plain_.data()), static_cast<unsigned>(width_),
                              static_cast<unsigned>(height_), 32, width_ * 4);
        if (image_ == nullptr)
            throw WindowError("Cannot make an image for the window");
        image_->byte_order = LSBFirst; // our pixels' order; Xlib swaps for a server that differs
    }

    void CopyRow(const std::uint32_t* source, int count, int x, int y) {
        if (standardMasks_) {
            auto* target = reinterpret_cast<std::uint32_t*>(image_->data + static_cast<std::ptrdiff_t>(y) *
                                                                               image_->bytes_per_line) +
                           x;
            std::copy(source, source + count, target);
            return;
        }
        for (int i = 0; i < count; ++i) // an unusual visual: let Xlib place each channel
            XPutPixel(image_, x + i, y, ToVisual(source[i]));
    }

    unsigned long ToVisual(std::uint32_t pixel) const {
        const auto place = [](unsigned long mask, std::uint32_t value) {
            if (mask == 0)
                return 0ul;
            int shift = 0;
            while (((mask >> shift) & 1ul) == 0)
                ++shift;
            int bits = 0;
            while (((mask >> (shift + bits)) & 1ul) != 0)
                ++bits;
            return (static_cast<unsigned long>(value >> (8 - std::min(bits, 8))) << shift) & mask;
        };
        return place(image_->red_mask, pixel >> 16 & 0xff) | place(image_->green_mask, pixel >> 8 & 0xff) |
               place(image_->blue_mask, pixel & 0xff);
    }

    const Connection& connection_;
    Display* display_;
    int width_;
    int height_;
    XImage* image_ = nullptr;
    XShmSegmentInfo segment_{};
    bool shared_ = false;
    bool standardMasks_ = true;
    std::vector<std::uint32_t> plain_;
};

class X11Window;

class X11Timer : public Timer {
  public:
    X11Timer(X11Window& window, std::function<void()> tick);
    ~X11Timer() override;
    void Start(int intervalMs) override {
        interval_ = std::chrono::milliseconds(std::max(intervalMs, 1));
        due_ = SteadyClock::now() + interval_;
        running_ = true;
    }
    void Stop() override { running_ = false; }
    bool Running() const override { return running_; }

  private:
    friend class X11Window;
    X11Window* window_;
    std::function<void()> tick_;
    SteadyClock::duration interval_{};
    SteadyClock::time_point due_{};
    bool running_ = false;
};

class X11Window final : public NativeWindow {
  public:
    X11Window(std::unique_ptr<Connection> connection, Window parent, int width, int height,
              WindowListener& listener)
        : connection_(std::move(connection)), display_(connection_->Get()), width_(width), height_(height),
          listener_(&listener) {
        try {
            Create(parent);
        } catch (...) {
            Release();
            throw;
        }
    }
    ~X11Window() override {
        box_.reset(); // a box still open goes with the window it belongs to
        for (X11Timer* timer : timers_)
            timer->window_ = nullptr;
        Release();
    }
    X11Window(const X11Window&) = delete;
    X11Window& operator=(const X11Window&) = delete;

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void Invalidate(const Rect& rect) override {
        if (Usable())
            invalid_ = Union(invalid_, Intersection(rect, {0, 0, width_, height_}));
    }
    void Validate(const Rect& rect) override {
        if (Intersection(rect, invalid_) == invalid_)
            invalid_ = {};
    }
    void Present(const PixelMemory& backBuffer, const Rect& rect, int x, int y) override {
        if (!Usable())
            return;
        const ErrorTrap trap(*connection_);
        staging_->Put(window_, gc_, backBuffer, rect, x, y);
    }
    // While a button is held the server already sends every pointer event to the window that took the
    // press (an implicit grab), also outside it, which is all the editor's capture needs.
    void SetCapture(bool) override {}
    void SetCursor(Cursor cursor) override {
        if (!Usable() || cursor == shownCursor_)
            return;
        const ErrorTrap trap(*connection_);
        shownCursor_ = cursor;
        if (cursor == Cursor::HandPoint) {
            if (handCursor_ == 0)
                handCursor_ = XCreateFontCursor(display_, XC_hand2);
            XDefineCursor(display_, window_, handCursor_);
        } else {
            XUndefineCursor(display_, window_); // the parent's cursor, as the host shows it
        }
        XFlush(display_);
    }
    std::unique_ptr<Timer> CreateTimer(std::function<void()> tick) override {
        return std::make_unique<X11Timer>(*this, std::move(tick));
    }
    void Idle() override {
        if (alive_)
            Pump();
        // The server went away, now or during an earlier call: to the editor that is its window gone.
        if (alive_ && connection_->Lost())
            Destroyed();
    }
    void* Handle() const override { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window_)); }

    void ShowInformation(const std::string& title, const std::string& text) override {
        if (!Usable())
            return;
        if (box_) {
            box_->BringForward();
            return;
        }
        box_ = ShowInformationBox(window_, title, text);
        toldLeft_ = false;
    }
    bool ShowsInformation() const override { return box_ != nullptr; }

    bool SharedMemory() const { return staging_->Shared(); }

  private:
    friend class X11Timer;

    // Whether requests may still go to the server: the window exists and so does the server.
    bool Usable() const { return alive_ && !connection_->Lost(); }

    void Pump() {
        const ErrorTrap trap(*connection_); // the host may destroy its window between two idles
        while (Usable() && XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            Dispatch(event);
        }
        ServeBox();
        FireDueTimers();
        if (Usable() && !invalid_.Empty()) {
            const Rect rect = invalid_;
            invalid_ = {};
            listener_->WindowPaint(rect);
        }
        if (Usable())
            XFlush(display_);
    }

    // The box lives on the host's idles like the window; while it is open the panel under it takes
    // no input (keys never come here: the host keeps them).
    void ServeBox() {
        if (box_ && !box_->Serve())
            box_.reset();
        if (box_ && !toldLeft_ && alive_) {
            toldLeft_ = true;
            listener_->WindowMouse({MouseEventKind::Leave, 0, 0, MouseButton::Left, 0, 0}); // nothing stays lit
        }
    }

    void Create(Window parent) {
        ErrorTrap trap(*connection_);
        const int screen = DefaultScreen(display_);
        XVisualInfo visual{};
        if (XMatchVisualInfo(display_, screen, 24, TrueColor, &visual) == 0)
            throw WindowError("The display offers no 24-bit true-colour visual");
        colormap_ = XCreateColormap(display_, RootWindow(display_, screen), visual.visual, AllocNone);
        XSetWindowAttributes attributes{};
        attributes.colormap = colormap_;
        attributes.border_pixel = 0;
        attributes.background_pixmap = None; // the server never erases: every pixel is ours to paint
        attributes.bit_gravity = NorthWestGravity;
        attributes.event_mask = kEventMask;
        window_ = XCreateWindow(display_, parent, 0, 0, static_cast<unsigned>(width_),
                                static_cast<unsigned>(height_), 0, visual.depth, InputOutput, visual.visual,
                                CWColormap | CWBorderPixel | CWBackPixmap | CWBitGravity | CWEventMask, &attributes);
        if (trap.Failed())
            throw WindowError("The host's window " + hexId(parent) + " went away");
        gc_ = XCreateGC(display_, window_, 0, nullptr);
        staging_ = std::make_unique<StagingImage>(*connection_, visual, width_, height_);
        XMapWindow(display_, window_);
        if (trap.Failed())
            throw WindowError("The window system refused the editor's window");
        invalid_ = {0, 0, width_, height_};
    }

    // Frees what exists; the window only when the window system has not destroyed it already. Of a
    // lost connection only what lives on our side is freed (the GC's request goes nowhere, as those
    // of XCloseDisplay do); the server took the rest with it.
    void Release() {
        const ErrorTrap trap(*connection_);
        staging_.reset();
        if (gc_ != nullptr)
            XFreeGC(display_, gc_);
        if (connection_->Lost())
            return;
        if (alive_ && window_ != 0)
            XDestroyWindow(display_, window_);
        if (handCursor_ != 0)
            XFreeCursor(display_, handCursor_);
        if (colormap_ != 0)
            XFreeColormap(display_, colormap_);
    }

    void Dispatch(XEvent& event) {
        switch (event.type) {
        case Expose:
            Invalidate({event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                        event.xexpose.y + event.xexpose.height});
            break;
        case ButtonPress:
            if (!isPointerButton(event.xbutton.button))
                break;
            if (box_)
                box_->BringForward(); // a click on the panel finds the box the user overlooked
            else
                Press(event.xbutton);
            break;
        case ButtonRelease:
            if (isPointerButton(event.xbutton.button))
                Release(event.xbutton);
            break;
        case MotionNotify:
            // Of a run of moves only the newest counts; a slow idle would otherwise replay the whole path.
            while (XPending(display_) > 0) {
                XEvent next;
                XPeekEvent(display_, &next);
                if (next.type != MotionNotify || next.xmotion.window != window_)
                    break;
                XNextEvent(display_, &event);
            }
            Mouse(MouseEventKind::Move, event.xmotion.x, event.xmotion.y, MouseButton::Left,
                  modifiersOf(event.xmotion.state), event.xmotion.time);
            break;
        case EnterNotify:
            Mouse(MouseEventKind::Move, event.xcrossing.x, event.xcrossing.y, MouseButton::Left,
                  modifiersOf(event.xcrossing.state), event.xcrossing.time);
            break;
        case LeaveNotify:
            Mouse(MouseEventKind::Leave, 0, 0, MouseButton::Left, modifiersOf(event.xcrossing.state),
                  event.xcrossing.time);
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == window_)
                Destroyed();
            break;
        default:
            break;
        }
    }

    void Press(const XButtonEvent& press) {
        unsigned modifiers = modifiersOf(press.state) | buttonModifier(press.button);
        const bool twice = press.button == lastPress_.button && press.time - lastPress_.time <= kDoubleClickMs &&
                           std::abs(press.x - lastPress_.x) <= kDoubleClickSlop &&
                           std::abs(press.y - lastPress_.y) <= kDoubleClickSlop;
        if (twice) {
            modifiers |= modDouble;
            lastPress_ = {};
        } else {
            lastPress_ = {press.button, press.time, press.x, press.y};
        }
        Mouse(MouseEventKind::Press, press.x, press.y, buttonOf(press.button), modifiers, press.time);
    }

    void Release(const XButtonEvent& release) {
        const unsigned modifiers = modifiersOf(release.state) & ~buttonModifier(release.button);
        Mouse(MouseEventKind::Release, release.x, release.y, buttonOf(release.button), modifiers, release.time);
        const bool outside = !Rect{0, 0, width_, height_}.Contains(release.x, release.y);
        if (alive_ && outside && (modifiers & (modLeftButton | modMiddleButton | modRightButton)) == 0)
            Mouse(MouseEventKind::Leave, 0, 0, MouseButton::Left, modifiers, release.time); // left during the drag
    }

    void Mouse(MouseEventKind kind, int x, int y, MouseButton button, unsigned modifiers, Time time) {
        if (!alive_ || box_)
            return;
        listener_->WindowMouse({kind, x, y, button, modifiers, time});
    }

    void FireDueTimers() {
        const std::vector<X11Timer*> timers = timers_; // a tick may start, stop or free timers
        const SteadyClock::time_point now = SteadyClock::now();
        for (X11Timer* timer : timers) {
            for (int ticks = 0; ticks < kMostTicksPerIdle; ++ticks) {
                if (!Usable() || std::find(timers_.begin(), timers_.end(), timer) == timers_.end() ||
                    !timer->running_ || timer->due_ > now)
                    break;
                timer->due_ += timer->interval_;
                timer->tick_();
            }
            if (std::find(timers_.begin(), timers_.end(), timer) != timers_.end() && timer->due_ <= now)
                timer->due_ = now + timer->interval_; // too far behind: start afresh rather than race
        }
    }

    void Destroyed() {
        box_.reset();
        alive_ = false;
        invalid_ = {};
        listener_->WindowDestroyed();
    }

    struct LastPress {
        unsigned button = 0;
        Time time = 0;
        int x = 0;
        int y = 0;
    };

    std::unique_ptr<Connection> connection_; // closed last, after everything made on it
    Display* display_;
    int width_;
    int height_;
    WindowListener* listener_;
    Window window_ = 0;
    GC gc_ = nullptr;
    Colormap colormap_ = 0;
    ::Cursor handCursor_ = 0;
    Cursor shownCursor_ = Cursor::Arrow;
    std::unique_ptr<StagingImage> staging_;
    Rect invalid_;
    bool alive_ = true;
    LastPress lastPress_;
    std::vector<X11Timer*> timers_;
    std::unique_ptr<InformationBox> box_; // open while the user has not closed it
    bool toldLeft_ = true;                // the listener knows the pointer is no longer its own
};

X11Timer::X11Timer(X11Window& window, std::function<void()> tick) : window_(&window), tick_(std::move(tick)) {
    window_->timers_.push_back(this);
}

X11Timer::~X11Timer() {
    if (window_ != nullptr)
        std::erase(window_->timers_, this);
}

} // namespace

bool IsWindowId(std::uintptr_t value) { return value != 0 && value <= 0x1FFFFFFFu; }

std::unique_ptr<NativeWindow> CreateChildWindow(std::uintptr_t parent, int width, int height,
                                                WindowListener& listener) {
    if (!IsWindowId(parent))
        throw WindowError("The host's handle cannot name an X11 window");
    std::unique_ptr<Connection> connection = Connection::Open();
    if (!connection)
        throw WindowError("Cannot connect to the X server (is DISPLAY set?)");
    if (!isLiveWindow(*connection, static_cast<Window>(parent)))
        throw WindowError("The host's window " + hexId(parent) + " is not a window on this display");
    return std::make_unique<X11Window>(std::move(connection), static_cast<Window>(parent), width, height,
                                       listener);
}

} // namespace platform::x11
