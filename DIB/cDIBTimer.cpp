#include "DIB/cDIBTimer.h"

#include "toolkit/Form.h"

namespace dib {

bool TDIBTimer::Start(const toolkit::TControl& control, int intervalMs) {
    const toolkit::TCustomForm* form = control.ParentForm();
    platform::NativeWindow* window = form != nullptr ? form->Window() : nullptr;
    if (window == nullptr)
        return false;
    // A timer belongs to its window; a control moved to another window needs a new one.
    if (timer_ == nullptr || window_ != window) {
        timer_ = window->CreateTimer([this] { onTimer_(); });
        window_ = window;
    }
    timer_->Start(intervalMs);
    return true;
}

void TDIBTimer::Stop() {
    if (timer_ != nullptr)
        timer_->Stop();
}

} // namespace dib
