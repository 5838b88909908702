#include "platform/x11/Connection.h"

#include <X11/Xlib.h>

#include <atomic>

namespace platform::x11 {

namespace {

using IOHandler = int (*)(Display*);

// Xlib's I/O error callback carries no user data, so the uses set on this thread are found here.
thread_local ConnectionUse* current = nullptr;
// The handler before our outermost use, for connections that are not ours, whichever thread meets
// their error.
std::atomic<IOHandler> hostHandler{nullptr};

int onIOError(Display* display) { return ConnectionUse::Handle(display); }

} // namespace

std::unique_ptr<Connection> Connection::Open() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return nullptr;
    return std::unique_ptr<Connection>(new Connection(display));
}

Connection::Connection(Display* display) : display_(display) {
    XSetIOErrorExitHandler(display_, &Connection::OnLost, this);
}

Connection::~Connection() {
    const ConnectionUse use(*this); // closing syncs with a server that may have just gone
    XCloseDisplay(display_);
}

void Connection::OnLost(Display*, void* self) { static_cast<Connection*>(self)->lost_ = true; }

ConnectionUse::ConnectionUse(const Connection& connection)
    : display_(connection.Get()), outer_(current), previousHandler_(nullptr) {
    const IOHandler previous = XSetIOErrorHandler(&onIOError);
    previousHandler_ = reinterpret_cast<void*>(previous);
    if (outer_ == nullptr)
        hostHandler.store(previous);
    current = this;
}

ConnectionUse::~ConnectionUse() {
    current = outer_;
    XSetIOErrorHandler(reinterpret_cast<IOHandler>(previousHandler_));
}

int ConnectionUse::Handle(Display* display) {
    for (const ConnectionUse* use = current; use != nullptr; use = use->outer_)
        if (use->display_ == display)
            return 0; // the connection's exit handler, ours, records the loss next
    const IOHandler host = hostHandler.load();
    return host != nullptr ? host(display) : 0;
}

} // namespace platform::x11
