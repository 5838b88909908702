#include "platform/x11/ErrorTrap.h"

#include <X11/Xlib.h>

#include <atomic>

namespace platform::x11 {

namespace {

using Handler = int (*)(Display*, XErrorEvent*);

// Xlib's error callback carries no user data, so the trap that is set on this thread is found here.
// Traps nest (a box opened from inside the editor's idle); the innermost one is current.
thread_local ErrorTrap* current = nullptr;
// The handler before our first trap, for errors on connections that are not ours, whichever thread
// reads them.
std::atomic<Handler> hostHandler{nullptr};

int onXError(Display* display, XErrorEvent* event) { return ErrorTrap::Handle(display, event); }

} // namespace

ErrorTrap::ErrorTrap(const Connection& connection)
    : use_(connection), connection_(connection), display_(connection.Get()), outer_(current),
      previousHandler_(nullptr) {
    Sync(); // earlier errors belong to whoever made them
    const Handler previous = XSetErrorHandler(&onXError);
    previousHandler_ = reinterpret_cast<void*>(previous);
    if (outer_ == nullptr)
        hostHandler.store(previous);
    current = this;
}

ErrorTrap::~ErrorTrap() {
    Sync();
    current = outer_;
    XSetErrorHandler(reinterpret_cast<Handler>(previousHandler_));
}

bool ErrorTrap::Failed() {
    Sync();
    return errorCode_ != 0 || connection_.Lost();
}

void ErrorTrap::Sync() {
    if (!connection_.Lost())
        XSync(display_, False);
}

int ErrorTrap::Handle(Display* display, void* event) {
    auto* error = static_cast<XErrorEvent*>(event);
    for (ErrorTrap* trap = current; trap != nullptr; trap = trap->outer_)
        if (trap->display_ == display) {
            if (trap->errorCode_ == 0)
                trap->errorCode_ = error->error_code;
            return 0;
        }
    const Handler host = hostHandler.load();
    return host != nullptr ? host(display, error) : 0;
}

} // namespace platform::x11
