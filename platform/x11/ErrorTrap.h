// Catches the X errors that our own requests on one connection cause. Xlib's default handler would
// end the whole host process for a window that went away under us; while a trap is set, errors on
// our connection are recorded instead, and errors on any other connection (the host's) still reach
// the handler that was installed before. The host's handler is put back when the trap goes.
#pragma once

struct _XDisplay;

namespace platform::x11 {

class ErrorTrap {
  public:
    explicit ErrorTrap(_XDisplay* display);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Waits until the server has handled every request so far; true when any of them failed since
    // the trap was set (or since the last Reset).
    bool Failed();
    void Reset() { errorCode_ = 0; }
    int ErrorCode() const { return errorCode_; }

    // For the Xlib callback: records an error on a trapped connection, passes any other on.
    static int Handle(_XDisplay* display, void* event);

  private:

    _XDisplay* display_;
    ErrorTrap* outer_;
    void* previousHandler_;
    int errorCode_ = 0;
};

} // namespace platform::x11
