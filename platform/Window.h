// A native window for the editor, behind the one small interface every window system implements.
// Only the editor's top window is native; everything inside it is painted into a back buffer and
// copied out. The host owns the loop: Idle drains what is pending without blocking, fires due
// timers, then asks the listener to paint the merged invalid rectangle once.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace platform {

class PixelMemory;

// Edges in pixels; Right and Bottom are exclusive.
struct Rect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool Empty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    bool operator==(const Rect&) const = default;
};

Rect Intersection(const Rect& a, const Rect& b);
// The smallest rectangle holding both; an empty one adds nothing.
Rect Union(const Rect& a, const Rect& b);
Rect Offset(const Rect& r, int dx, int dy);

enum class MouseButton { Left, Right, Middle };

// Modifier keys and buttons held during an event.
enum Modifier : unsigned {
    modShift = 1,
    modCtrl = 2,
    modAlt = 4,
    modLeftButton = 8,
    modRightButton = 16,
    modMiddleButton = 32,
    modDouble = 64,
};

// The modifier bit that tells a button is held.
unsigned ButtonModifier(MouseButton button);

enum class MouseEventKind { Press, Release, Move, Leave };

// Coordinates relative to the window's client area; a captured drag may go outside it.
struct MouseEvent {
    MouseEventKind kind = MouseEventKind::Move;
    int x = 0;
    int y = 0;
    MouseButton button = MouseButton::Left;
    unsigned modifiers = 0;
    std::uint64_t timeMs = 0;
};

enum class KeyEventKind { Down, Up, Char };

struct KeyEvent {
    KeyEventKind kind = KeyEventKind::Down;
    int key = 0; // a virtual key code (Down, Up) or a character (Char)
    unsigned modifiers = 0;
};

enum class Cursor { Arrow, HandPoint };

// What a window tells the editor. The window system never erases a window before a paint: the
// listener paints every pixel it is asked for, so nothing flickers. Called only from inside the window's own
// calls (Idle, or an input injected by a test), on the editor's thread.
class WindowListener {
  public:
    virtual ~WindowListener() = default;
    // Paint rect (client coordinates) into the back buffer and hand it to Present.
    virtual void WindowPaint(const Rect& rect) = 0;
    virtual void WindowMouse(const MouseEvent& event) = 0;
    virtual void WindowKey(const KeyEvent& event) = 0;
    // The window system destroyed the window (its parent went away). The NativeWindow object stays
    // valid until its owner frees it, but shows nothing and reports nothing any more.
    virtual void WindowDestroyed() {}
};

// A periodic timer on the window's thread, serviced by the window's Idle from a monotonic clock.
// The first tick comes one interval after Start. A timer may outlive its window; it then never ticks.
class Timer {
  public:
    virtual ~Timer() = default;
    virtual void Start(int intervalMs) = 0;
    virtual void Stop() = 0;
    virtual bool Running() const = 0;
};

class NativeWindow {
  public:
    virtual ~NativeWindow() = default;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Marks rect for repaint; the next Idle paints the union of everything marked since.
    virtual void Invalidate(const Rect& rect) = 0;
    // Takes rect out of what is marked.
    virtual void Validate(const Rect& rect) = 0;
    // Copies rect of the back buffer (rows bottom-up) to the client area with its top-left corner at
    // (x, y). The caller keeps rect inside the back buffer.
    virtual void Present(const PixelMemory& backBuffer, const Rect& rect, int x, int y) = 0;
    // While captured, every mouse event reaches this window, also outside it.
    virtual void SetCapture(bool captured) = 0;
    virtual void SetCursor(Cursor cursor) = 0;
    virtual std::unique_ptr<Timer> CreateTimer(std::function<void()> tick) = 0;
    // Drains pending events, fires due timers, then paints what is invalid once. Never blocks.
    virtual void Idle() = 0;
    // The window system's handle of this window (a window id or HWND), for children and hosts.
    virtual void* Handle() const = 0;

    // Shows a box with the title, the text and an OK button over this window, modal to this window
    // alone: while it is open the window passes no mouse or key input to its listener, and the host's
    // own windows go on working. Asked again while it is open, it brings the open box forward. On X11
    // the box is ours and Idle serves it; on Windows it is the system's, and the call returns once it
    // is closed; on the headless screen it is recorded and closed at once, as if OK had been pressed.
    virtual void ShowInformation(const std::string& title, const std::string& text) = 0;
    // Whether a box that ShowInformation showed is still open.
    virtual bool ShowsInformation() const = 0;
};

class WindowError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

namespace headless {
class Screen;
}

// Where a child window goes: inside a window of the window system, named by the handle a host passed
// (an X11 window id or an HWND), or on a headless screen of our own. The two never mix: a host's
// handle is only ever handed to the window system, which tells whether it names a window, and is
// never read as an address, however it looks.
class ParentWindow {
  public:
    static ParentWindow Native(void* handle) {
        return ParentWindow(reinterpret_cast<std::uintptr_t>(handle), nullptr);
    }
    static ParentWindow Headless(headless::Screen& screen) { return ParentWindow(0, &screen); }

    // The headless screen, or null for a native parent.
    headless::Screen* Screen() const { return screen_; }
    // The native handle's value; 0 for a headless parent.
    std::uintptr_t NativeHandle() const { return native_; }

  private:
    ParentWindow(std::uintptr_t native, headless::Screen* screen) : native_(native), screen_(screen) {}

    std::uintptr_t native_;
    headless::Screen* screen_;
};

// Creates a child window of parent at (0, 0) with the given client size. Throws WindowError, also when
// a native handle names no window (then nothing is left behind).
std::unique_ptr<NativeWindow> CreateChildWindow(const ParentWindow& parent, int width, int height,
                                                WindowListener& listener);

} // namespace platform
