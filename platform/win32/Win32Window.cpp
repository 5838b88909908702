#include "platform/win32/Win32Window.h"

#include "platform/PixelMemory.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/Utf16.h"
#include "platform/win32/Win32Api.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace platform::win32 {

namespace {

// A timer due every millisecond, or a host flooding us, must not keep Idle from returning.
constexpr int kMostMessagesPerIdle = 256;

// ---- the window class

// This code lives in the plug-in's DLL: the class belongs to the DLL's module, not to the host's.
// Any address inside the module finds it.
HINSTANCE ownModule() {
    static const char anchor = 0;
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       &anchor, &module);
    return module;
}

// Registered while a window of ours exists. Windows does not unregister a DLL's classes when it
// unloads the DLL; a class left behind would point at code that is gone by the next load.
class WindowClass {
  public:
    // Registers the class for the first window; returns its name.
    static const char* Acquire(WNDPROC procedure) {
        WindowClass& shared = Instance();
        const std::lock_guard<std::mutex> lock(shared.mutex_);
        if (shared.windows_ == 0) {
            WNDCLASSEXA description{};
            description.cbSize = sizeof description;
            description.style = CS_DBLCLKS;
            description.lpfnWndProc = procedure;
            description.hInstance = shared.module_;
            description.lpszClassName = shared.name_.c_str();
            // No cursor and no background brush: we set the cursor and paint every pixel ourselves.
            if (RegisterClassExA(&description) == 0)
                throw WindowError(WindowsErrorMessage(GetLastError()));
        }
        ++shared.windows_;
        return shared.name_.c_str();
    }

    static void Release() {
        WindowClass& shared = Instance();
        const std::lock_guard<std::mutex> lock(shared.mutex_);
        if (--shared.windows_ == 0)
            UnregisterClassA(shared.name_.c_str(), shared.module_);
    }

    static HINSTANCE Module() { return Instance().module_; }

  private:
    WindowClass() : module_(ownModule()) {
        // A name of this module's own: two copies of the plug-in loaded from different files never
        // share a class.
        char address[2 * sizeof(void*) + 1];
        std::snprintf(address, sizeof address, "%p", static_cast<void*>(module_));
        name_ = std::string("TMX1EditorWindow") + address;
    }
    static WindowClass& Instance() {
        static WindowClass shared;
        return shared;
    }

    std::mutex mutex_;
    HINSTANCE module_;
    std::string name_;
    int windows_ = 0;
};

// ---- mouse events

unsigned modifiersOf(WPARAM keys) {
    unsigned modifiers = 0;
    if ((keys & MK_SHIFT) != 0)
        modifiers |= modShift;
    if ((keys & MK_CONTROL) != 0)
        modifiers |= modCtrl;
    if (GetKeyState(VK_MENU) < 0) // mouse messages do not carry Alt
        modifiers |= modAlt;
    if ((keys & MK_LBUTTON) != 0)
        modifiers |= modLeftButton;
    if ((keys & MK_RBUTTON) != 0)
        modifiers |= modRightButton;
    if ((keys & MK_MBUTTON) != 0)
        modifiers |= modMiddleButton;
    return modifiers;
}

// What is held when a message carries no key state (leaving the window).
WPARAM heldKeys() {
    WPARAM keys = 0;
    const std::pair<int, WPARAM> map[] = {{VK_SHIFT, MK_SHIFT},
                                          {VK_CONTROL, MK_CONTROL},
                                          {VK_LBUTTON, MK_LBUTTON},
                                          {VK_RBUTTON, MK_RBUTTON},
                                          {VK_MBUTTON, MK_MBUTTON}};
    for (const auto& [key, flag] : map)
        if (GetKeyState(key) < 0)
            keys |= flag;
    return keys;
}


// Signed: a captured drag left or above the window has negative coordinates.
int xOf(LPARAM position) { return static_cast<short>(LOWORD(position)); }
int yOf(LPARAM position) { return static_cast<short>(HIWORD(position)); }

RECT toRECT(const Rect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

class Win32Window;

// ---- timers

// A Windows timer of the window: SetTimer posts WM_TIMER to it, so it ticks from whichever loop
// dispatches the window's messages. Ids are the window's own; a tick already queued when the timer
// stops or goes finds no timer with its id.
class Win32Timer final : public Timer {
  public:
    Win32Timer(Win32Window& window, std::function<void()> tick);
    ~Win32Timer() override;
    void Start(int intervalMs) override;
    void Stop() override;
    bool Running() const override { return running_; }

  private:
    friend class Win32Window;
    Win32Window* window_;
    UINT_PTR id_;
    std::function<void()> tick_;
    bool running_ = false;
};

// ---- the window

class Win32Window final : public NativeWindow {
  public:
    Win32Window(HWND parent, int width, int height, WindowListener& listener)
        : width_(width), height_(height), listener_(&listener), cursor_(LoadCursor(nullptr, IDC_ARROW)) {
        const char* className = WindowClass::Acquire(&WindowProcedure);
        // The procedure learns its object from the creation parameter, before the first message.
        const HWND created =
            CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                            width, height, parent, nullptr, WindowClass::Module(), this);
        if (created == nullptr) {
            const DWORD error = GetLastError();
            WindowClass::Release();
            throw WindowError("The host's window refused the editor's window: " + WindowsErrorMessage(error));
        }
        alive_ = true;
    }

    ~Win32Window() override {
        for (Win32Timer* timer : timers_) {
            StopTimer(*timer);
            timer->window_ = nullptr;
        }
        if (alive_) {
            // Unhooked first: the destruction is ours and reports nothing.
            SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
            DestroyWindow(hwnd_);
        }
        WindowClass::Release();
    }

    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    int Width() const override { return width_; }
    int Height() const override { return height_; }

    void Invalidate(const Rect& rect) override {
        const RECT r = toRECT(Intersection(rect, {0, 0, width_, height_}));
        if (alive_ && r.right > r.left)
            InvalidateRect(hwnd_, &r, FALSE);
    }

    void Validate(const Rect& rect) override {
        const RECT r = toRECT(rect);
        if (alive_)
            ValidateRect(hwnd_, &r);
    }

    void Present(const PixelMemory& backBuffer, const Rect& rect, int x, int y) override {
        if (!alive_ || rect.Empty() || backBuffer.NativeHandle() == nullptr)
            return;
        // Inside a paint only the paint's device context draws; it clips to what is being repainted.
        HDC target = paintDc_ != nullptr ? paintDc_ : GetDC(hwnd_);
        if (target == nullptr)
            return;
        HDC source = CreateCompatibleDC(target);
        const HGDIOBJ previous = SelectObject(source, static_cast<HBITMAP>(backBuffer.NativeHandle()));
        BitBlt(target, x, y, rect.Width(), rect.Height(), source, rect.Left, rect.Top, SRCCOPY);
        SelectObject(source, previous);
        DeleteDC(source);
        if (paintDc_ == nullptr)
            ReleaseDC(hwnd_, target);
    }

    void SetCapture(bool captured) override {
        if (!alive_)
            return;
        if (captured)
            ::SetCapture(hwnd_);
        else if (GetCapture() == hwnd_) // never release a capture another window holds
            ReleaseCapture();
    }

    void SetCursor(Cursor cursor) override {
        cursor_ = LoadCursor(nullptr, cursor == Cursor::HandPoint ? IDC_HAND : IDC_ARROW);
        // WM_SETCURSOR comes before the move that chose the cursor: show it now, not at the next move.
        if (alive_ && (mouseInside_ || GetCapture() == hwnd_))
            ::SetCursor(cursor_);
    }

    std::unique_ptr<Timer> CreateTimer(std::function<void()> tick) override {
        return std::make_unique<Win32Timer>(*this, std::move(tick));
    }

    void Idle() override {
        MSG message;
        for (int i = 0; i < kMostMessagesPerIdle && alive_ && PeekMessageA(&message, hwnd_, 0, 0, PM_REMOVE);
             ++i) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (alive_)
            UpdateWindow(hwnd_); // what is still invalid, painted now rather than when the host gets to it
    }

    // Null once the window system has destroyed the window: its handle may then name another window.
    void* Handle() const override { return alive_ ? hwnd_ : nullptr; }

    // The system's box: its own loop dispatches the whole thread's messages, so the host's windows go
    // on working, and it disables the top-level window it belongs to, so the panel takes no input.
    void ShowInformation(const std::string& title, const std::string& text) override {
        if (!alive_ || showing_)
            return;
        showing_ = true;
        // Our texts are UTF-8; only the wide call shows every character of them.
        MessageBoxW(hwnd_, Utf16FromUtf8(text).c_str(), Utf16FromUtf8(title).c_str(), MB_OK | MB_ICONINFORMATION);
        showing_ = false;
    }
    bool ShowsInformation() const override { return showing_; }

  private:
    friend class Win32Timer;

    static LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* window =
                static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
            window->hwnd_ = hwnd;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
        }
        auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (window == nullptr)
            return DefWindowProcA(hwnd, message, wParam, lParam);
        return window->Receive(message, wParam, lParam);
    }

    LRESULT Receive(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_ERASEBKGND:
            return 1; // never erased: the paint covers every pixel, so nothing flickers
        case WM_PAINT:
            Paint();
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lParam) != HTCLIENT)
                break;
            ::SetCursor(cursor_);
            return TRUE;
        case WM_TIMER:
            Tick(wParam);
            return 0;
        case WM_DESTROY:
            if (alive_) // not a creation that failed half-way: the constructor reports that one
                Destroyed();
            return 0;
        default:
            if ((message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) || message == WM_MOUSELEAVE)
                return ReceiveMouse(message, wParam, lParam) ? 0
                                                             : DefWindowProcA(hwnd_, message, wParam, lParam);
            break;
        }
        return DefWindowProcA(hwnd_, message, wParam, lParam);
    }

    // False for a mouse message the editor has no use for (the wheel).
    bool ReceiveMouse(UINT message, WPARAM wParam, LPARAM lParam) {
        const int x = xOf(lParam);
        const int y = yOf(lParam);
        switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            Press(MouseButton::Left, x, y, wParam, message == WM_LBUTTONDBLCLK);
            return true;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            Press(MouseButton::Right, x, y, wParam, message == WM_RBUTTONDBLCLK);
            return true;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            Press(MouseButton::Middle, x, y, wParam, message == WM_MBUTTONDBLCLK);
            return true;
        case WM_LBUTTONUP:
            Release(MouseButton::Left, x, y, wParam);
            return true;
        case WM_RBUTTONUP:
            Release(MouseButton::Right, x, y, wParam);
            return true;
        case WM_MBUTTONUP:
            Release(MouseButton::Middle, x, y, wParam);
            return true;
        case WM_MOUSEMOVE:
            Move(x, y, wParam);
            return true;
        case WM_MOUSELEAVE:
            Left();
            return true;
        default:
            return false;
        }
    }

    void Paint() {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(hwnd_, &paint);
        const Rect rect =
            Intersection({paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right, paint.rcPaint.bottom},
                         {0, 0, width_, height_});
        paintDc_ = dc;
        if (dc != nullptr && !rect.Empty())
            listener_->WindowPaint(rect);
        paintDc_ = nullptr;
        EndPaint(hwnd_, &paint);
    }

    // With the class's CS_DBLCLKS the second press of a double click arrives as its own message.
    void Press(MouseButton button, int x, int y, WPARAM keys, bool twice) {
        const unsigned modifiers = modifiersOf(keys) | ButtonModifier(button) | (twice ? modDouble : 0u);
        Mouse(MouseEventKind::Press, x, y, button, modifiers);
    }

    void Release(MouseButton button, int x, int y, WPARAM keys) {
        const unsigned modifiers = modifiersOf(keys) & ~ButtonModifier(button);
        Mouse(MouseEventKind::Release, x, y, button, modifiers);
        // A drag that ends outside left the window while captured, when Windows reports no leave.
        const bool outside = !Rect{0, 0, width_, height_}.Contains(x, y);
        if (alive_ && outside && (modifiers & (modLeftButton | modRightButton | modMiddleButton)) == 0) {
            StopLeaveTracking();
            Mouse(MouseEventKind::Leave, 0, 0, MouseButton::Left, modifiers);
        }
    }

    void Move(int x, int y, WPARAM keys) {
        if (!mouseInside_ && Rect{0, 0, width_, height_}.Contains(x, y))
            StartLeaveTracking();
        Mouse(MouseEventKind::Move, x, y, MouseButton::Left, modifiersOf(keys));
    }

    void Left() {
        if (!mouseInside_)
            return; // already reported at the end of a drag
        mouseInside_ = false;
        Mouse(MouseEventKind::Leave, 0, 0, MouseButton::Left, modifiersOf(heldKeys()));
    }

    void StartLeaveTracking() {
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, hwnd_, 0};
        mouseInside_ = TrackMouseEvent(&track) != FALSE;
    }

    void StopLeaveTracking() {
        if (!mouseInside_)
            return;
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE | TME_CANCEL, hwnd_, 0};
        TrackMouseEvent(&track);
        mouseInside_ = false;
    }

    void Mouse(MouseEventKind kind, int x, int y, MouseButton button, unsigned modifiers) {
        if (!alive_)
            return;
        listener_->WindowMouse({kind, x, y, button, modifiers, static_cast<DWORD>(GetMessageTime())});
    }

    void StartTimer(const Win32Timer& timer, int intervalMs) {
        if (alive_)
            SetTimer(hwnd_, timer.id_, static_cast<UINT>(std::max(intervalMs, 1)), nullptr);
    }

    void StopTimer(const Win32Timer& timer) {
        if (alive_)
            KillTimer(hwnd_, timer.id_);
    }

    void Tick(WPARAM id) {
        const auto timer =
            std::find_if(timers_.begin(), timers_.end(), [id](auto* t) { return t->id_ == id; });
        if (timer != timers_.end() && (*timer)->running_)
            (*timer)->tick_();
    }

    // The host destroyed its window, and ours with it. Windows has killed our timers.
    void Destroyed() {
        alive_ = false;
        mouseInside_ = false;
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        listener_->WindowDestroyed();
    }

    HWND hwnd_ = nullptr;
    int width_;
    int height_;
    WindowListener* listener_;
    bool alive_ = false;
    bool showing_ = false; // inside the system's information box
    HDC paintDc_ = nullptr;
    HCURSOR cursor_;
    bool mouseInside_ = false; // a leave is being tracked
    std::vector<Win32Timer*> timers_;
    UINT_PTR nextTimerId_ = 1;
};

Win32Timer::Win32Timer(Win32Window& window, std::function<void()> tick)
    : window_(&window), id_(window.nextTimerId_++), tick_(std::move(tick)) {
    window_->timers_.push_back(this);
}

Win32Timer::~Win32Timer() {
    if (window_ == nullptr)
        return;
    window_->StopTimer(*this);
    std::erase(window_->timers_, this);
}

void Win32Timer::Start(int intervalMs) {
    running_ = true;
    if (window_ != nullptr)
        window_->StartTimer(*this, intervalMs);
}

void Win32Timer::Stop() {
    running_ = false;
    if (window_ != nullptr)
        window_->StopTimer(*this);
}

} // namespace

bool IsWindowHandle(const void* handle) {
    return handle != nullptr && IsWindow(static_cast<HWND>(const_cast<void*>(handle))) != FALSE;
}

std::unique_ptr<NativeWindow> CreateChildWindow(void* parent, int width, int height,
                                                WindowListener& listener) {
    return std::make_unique<Win32Window>(static_cast<HWND>(parent), width, height, listener);
}

} // namespace platform::win32
