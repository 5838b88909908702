#include "platform/headless/Screen.h"

#include "platform/PixelMemory.h"

#include <algorithm>

namespace platform {

namespace headless {

Screen::~Screen() {
    // Windows outliving their screen must not reach back into it.
    const std::vector<HeadlessWindow*> windows = windows_;
    for (HeadlessWindow* window : windows)
        window->DestroyByWindowSystem();
}

HeadlessWindow& Screen::LastWindow() const {
    if (windows_.empty())
        throw WindowError("No window on the screen");
    return *windows_.back();
}

class HeadlessWindow::HeadlessTimer : public Timer {
  public:
    HeadlessTimer(HeadlessWindow& window, std::function<void()> tick)
        : window_(&window), tick_(std::move(tick)) {
        window_->timers_.push_back(this);
    }
    ~HeadlessTimer() override {
        if (window_ != nullptr)
            std::erase(window_->timers_, this);
    }
    void Start(int intervalMs) override {
        interval_ = static_cast<std::uint64_t>(std::max(intervalMs, 1));
        running_ = true;
        due_ = (window_ != nullptr ? window_->nowMs_ : 0) + interval_;
    }
    void Stop() override { running_ = false; }
    bool Running() const override { return running_; }

  private:
    friend class HeadlessWindow;
    HeadlessWindow* window_;
    std::function<void()> tick_;
    std::uint64_t interval_ = 1;
    std::uint64_t due_ = 0;
    bool running_ = false;
};

HeadlessWindow::HeadlessWindow(Screen& screen, int width, int height, WindowListener& listener)
    : screen_(screen), width_(width), height_(height), listener_(&listener),
      surface_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0), invalid_{0, 0, width,
                                                                                                height} {
    screen_.windows_.push_back(this);
}

HeadlessWindow::~HeadlessWindow() {
    for (HeadlessTimer* timer : timers_)
        timer->window_ = nullptr;
    if (listener_ != nullptr)
        std::erase(screen_.windows_, this);
}

void HeadlessWindow::ShowInformation(const std::string& title, const std::string& text) {
    if (listener_ != nullptr) // else the window, and maybe its screen, is gone
        screen_.RecordInformationBox({title, text});
}

void HeadlessWindow::DestroyByWindowSystem() {
    if (listener_ == nullptr)
        return;
    std::erase(screen_.windows_, this); // its screen may be going
    WindowListener* listener = listener_;
    listener_ = nullptr;
    listener->WindowDestroyed();
}

void HeadlessWindow::Invalidate(const Rect& rect) {
    if (listener_ == nullptr)
        return;
    invalid_ = Union(invalid_, Intersection(rect, {0, 0, width_, height_}));
}

void HeadlessWindow::Validate(const Rect& rect) {
    // A rectangle holds no holes: only a validated area that covers whole rows or columns of the
    // invalid one can shrink it.
    const Rect cover = Intersection(rect, invalid_);
    if (cover == invalid_)
        invalid_ = {};
    else if (cover.Left == invalid_.Left && cover.Right == invalid_.Right && cover.Top == invalid_.Top)
        invalid_.Top = cover.Bottom;
    else if (cover.Left == invalid_.Left && cover.Right == invalid_.Right && cover.Bottom == invalid_.Bottom)
        invalid_.Bottom = cover.Top;
}

void HeadlessWindow::Present(const PixelMemory& backBuffer, const Rect& rect, int x, int y) {
    if (listener_ == nullptr)
        return;
    for (int row = 0; row < rect.Height(); ++row) {
        const int sy = rect.Top + row;
        const int dy = y + row;
        if (sy < 0 || sy >= backBuffer.Height() || dy < 0 || dy >= height_)
            continue;
        const std::uint32_t* source =
            backBuffer.Pixels() + static_cast<std::size_t>(backBuffer.Height() - 1 - sy) * backBuffer.Width();
        for (int column = 0; column < rect.Width(); ++column) {
            const int sx = rect.Left + column;
            const int dx = x + column;
            if (sx >= 0 && sx < backBuffer.Width() && dx >= 0 && dx < width_)
                surface_[static_cast<std::size_t>(dy) * width_ + dx] = source[sx] & 0x00FFFFFF;
        }
    }
}

std::unique_ptr<Timer> HeadlessWindow::CreateTimer(std::function<void()> tick) {
    return std::make_unique<HeadlessTimer>(*this, std::move(tick));
}

void HeadlessWindow::Idle() {
    FireDueTimers();
    if (listener_ == nullptr || invalid_.Empty())
        return;
    const Rect rect = invalid_;
    invalid_ = {};
    ++paintCount_;
    listener_->WindowPaint(rect);
}

void HeadlessWindow::FireDueTimers() {
    // A copy: a tick may stop, start or free timers.
    const std::vector<HeadlessTimer*> timers = timers_;
    for (HeadlessTimer* timer : timers) {
        if (std::find(timers_.begin(), timers_.end(), timer) == timers_.end())
            continue;
        if (timer->running_ && timer->due_ <= nowMs_) {
            timer->due_ += timer->interval_;
            timer->tick_();
        }
    }
}

void HeadlessWindow::AdvanceClock(std::uint64_t ms) {
    const std::uint64_t end = nowMs_ + ms;
    for (;;) {
        std::uint64_t next = end;
        for (const HeadlessTimer* timer : timers_)
            if (timer->running_ && timer->due_ < next)
                next = timer->due_;
        nowMs_ = next;
        if (next == end)
            break;
        FireDueTimers();
    }
    FireDueTimers();
}

std::uint32_t HeadlessWindow::ScreenPixel(int x, int y) const {
    return surface_.at(static_cast<std::size_t>(y) * width_ + static_cast<std::size_t>(x));
}

void HeadlessWindow::Mouse(MouseEventKind kind, int x, int y, MouseButton button, unsigned modifiers) {
    if (listener_ == nullptr)
        return;
    listener_->WindowMouse({kind, x, y, button, modifiers, nowMs_});
}


void HeadlessWindow::Press(int x, int y, MouseButton button, unsigned modifiers) {
    buttons_ |= ButtonModifier(button);
    Mouse(MouseEventKind::Press, x, y, button, modifiers | buttons_);
}

void HeadlessWindow::Release(int x, int y, MouseButton button, unsigned modifiers) {
    buttons_ &= ~ButtonModifier(button);
    Mouse(MouseEventKind::Release, x, y, button, modifiers | buttons_);
}

void HeadlessWindow::Move(int x, int y, unsigned modifiers) {
    Mouse(MouseEventKind::Move, x, y, MouseButton::Left, modifiers | buttons_);
}

void HeadlessWindow::Leave() { Mouse(MouseEventKind::Leave, 0, 0, MouseButton::Left, buttons_); }

void HeadlessWindow::Key(KeyEventKind kind, int key, unsigned modifiers) {
    if (listener_ != nullptr)
        listener_->WindowKey({kind, key, modifiers});
}

} // namespace headless
} // namespace platform
