// Set around our own requests on one of our connections. Catches the X errors those requests cause:
// Xlib's default handler would end the whole host process for a window that went away under us. While
// a trap is set, errors on our connection are recorded instead, and errors on any other connection
// (the host's) still reach the handler that was installed before; the host's handler is put back when
// the trap goes. A trap is also a ConnectionUse, so a server that goes away meanwhile ends nothing but
// the connection; a lost connection is not synced with any more.
#pragma once

#include "platform/x11/Connection.h"

namespace platform::x11 {

class ErrorTrap {
  public:
    explicit ErrorTrap(const Connection& connection);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Waits until the server has handled every request so far; true when any of them failed since
    // the trap was set (or since the last Reset), or the connection is lost.
    bool Failed();
    void Reset() { errorCode_ = 0; }
    int ErrorCode() const { return errorCode_; }

    // For the Xlib callback: records an error on a trapped connection, passes any other on.
    static int Handle(_XDisplay* display, void* event);

  private:
    // Waits for the server's answers, unless it is gone.
    void Sync();

    ConnectionUse use_; // first in, last out: the syncs below may meet a lost server
    const Connection& connection_;
    _XDisplay* display_;
    ErrorTrap* outer_;
    void* previousHandler_;
    int errorCode_ = 0;
};

} // namespace platform::x11
