// The press auto-repeat timer of a skinned control: a periodic timer on the editor's thread, taken
// from the native window the control is shown in. A control that is not shown has no window and so
// no repeats.
#pragma once

#include "platform/Window.h"

#include <functional>
#include <memory>

namespace toolkit {
class TControl;
}

namespace dib {

class TDIBTimer {
  public:
    explicit TDIBTimer(std::function<void()> onTimer) : onTimer_(std::move(onTimer)) {}

    // Starts ticking every interval, the first tick one interval from now; false when control is on no
    // window.
    bool Start(const toolkit::TControl& control, int intervalMs);
    void Stop();
    bool Running() const { return timer_ != nullptr && timer_->Running(); }

  private:
    std::function<void()> onTimer_;
    std::unique_ptr<platform::Timer> timer_;
    const platform::NativeWindow* window_ = nullptr;
};

} // namespace dib
