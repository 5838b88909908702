// The headless window system: a window is an in-memory surface. Tests stand in for the user and the
// host: they inject mouse and key events, advance a fake clock to fire timers, run the idle that
// paints, and read back the pixels exactly as a screen would show them.
#pragma once

#include "platform/Window.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform::headless {

class HeadlessWindow;

// Stands in for the host's parent window: windows are created on it through ParentWindow::Headless.
class Screen {
  public:
    Screen() = default;
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;
    ~Screen();

    int WindowCount() const { return static_cast<int>(windows_.size()); }
    // The newest window created on this screen; throws WindowError when there is none.
    HeadlessWindow& LastWindow() const;

    // The information boxes shown over this screen's windows, oldest first. The headless box is
    // closed at once, as if the user had pressed OK.
    struct InformationBox {
        std::string title;
        std::string text;
    };
    const std::vector<InformationBox>& InformationBoxes() const { return informationBoxes_; }

    // The scale the desktop of this screen announces (1.5 for 144 dpi); 0, the start, when it
    // announces none. Taken as given, however odd, as a real desktop's setting is: whoever asks judges.
    void SetDesktopScale(double scale) { desktopScale_ = scale; }
    double DesktopScale() const { return desktopScale_; }

  private:
    void RecordInformationBox(InformationBox box) { informationBoxes_.push_back(std::move(box)); }

    friend class HeadlessWindow;
    std::vector<HeadlessWindow*> windows_;
    std::vector<InformationBox> informationBoxes_;
    double desktopScale_ = 0;
};

class HeadlessWindow : public NativeWindow {
  public:
    HeadlessWindow(Screen& screen, int width, int height, WindowListener& listener);
    ~HeadlessWindow() override;

    // NativeWindow
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void Invalidate(const Rect& rect) override;
    void Validate(const Rect& rect) override;
    void Present(const PixelMemory& backBuffer, const Rect& rect, int x, int y) override;
    void SetCapture(bool captured) override { captured_ = captured; }
    void SetCursor(Cursor cursor) override { cursor_ = cursor; }
    std::unique_ptr<Timer> CreateTimer(std::function<void()> tick) override;
    void Idle() override;
    void* Handle() const override { return const_cast<HeadlessWindow*>(this); }
    // Recorded on the screen and closed at once.
    void ShowInformation(const std::string& title, const std::string& text) override;
    bool ShowsInformation() const override { return false; }

    // What the screen shows at (x, y), counted from the top-left corner: 0x00RRGGBB.
    std::uint32_t ScreenPixel(int x, int y) const;
    Rect InvalidRect() const { return invalid_; }
    int PaintCount() const { return paintCount_; }
    bool Captured() const { return captured_; }
    Cursor CurrentCursor() const { return cursor_; }

    // Input, delivered at once as the window system would deliver it.
    void Press(int x, int y, MouseButton button = MouseButton::Left, unsigned modifiers = 0);
    void Release(int x, int y, MouseButton button = MouseButton::Left, unsigned modifiers = 0);
    void Move(int x, int y, unsigned modifiers = 0);
    void Leave();
    void Key(KeyEventKind kind, int key, unsigned modifiers = 0);

    // The fake monotonic clock: advancing it fires every timer tick that falls due on the way, in
    // order, as a host idling often would.
    std::uint64_t NowMs() const { return nowMs_; }
    void AdvanceClock(std::uint64_t ms);
    // The parent went away: the window is reported destroyed.
    void DestroyByWindowSystem();

  private:
    class HeadlessTimer;
    friend class HeadlessTimer;

    void Mouse(MouseEventKind kind, int x, int y, MouseButton button, unsigned modifiers);
    void FireDueTimers();

    Screen& screen_;
    int width_;
    int height_;
    WindowListener* listener_;
    std::vector<std::uint32_t> surface_; // top-down rows, what the screen shows
    Rect invalid_;
    int paintCount_ = 0;
    bool captured_ = false;
    Cursor cursor_ = Cursor::Arrow;
    unsigned buttons_ = 0; // held mouse buttons, reported with every event as a window system does
    std::uint64_t nowMs_ = 0;
    std::vector<HeadlessTimer*> timers_;
};

} // namespace platform::headless
