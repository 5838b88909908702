// A connection of our own to the X server that DISPLAY names. Xlib ends the whole process when the
// server of a connection goes away, and inside a host that process is the host's. Ours records the
// loss instead, and our code then asks nothing more of the server.
//
// What libX11 (1.7 and later) does on an I/O error, read from its source and checked against a
// killed server: it marks the connection dead, calls the process-wide I/O error handler (Xlib's
// default prints a line and exits), then the connection's own exit handler (the default exits);
// only when both return does the call that met the error return to its caller. A dead connection
// must then be left alone: every request still goes into its buffer, which is never sent again, and
// Xlib dereferences null once the buffer is full; XNextEvent with nothing queued dereferences null
// too. What stays allowed is XPending (it answers 0), freeing what lives on our side (a GC, an image)
// and XCloseDisplay, which itself frees the screens' GCs that way.
//
// The connection's exit handler is ours for its whole life. The process-wide handler belongs to the
// host: ours stands in only while our own code uses one of our connections (ConnectionUse), and
// hands an error of any other connection to the handler that was there before.
#pragma once

#include <memory>

struct _XDisplay;

namespace platform::x11 {

class Connection {
  public:
    // Null when there is no server to connect to.
    static std::unique_ptr<Connection> Open();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    _XDisplay* Get() const { return display_; }
    // The server went away (or the connection broke): nothing may be asked of it any more.
    bool Lost() const { return lost_; }

  private:
    explicit Connection(_XDisplay* display);
    static void OnLost(_XDisplay* display, void* self);

    _XDisplay* display_;
    bool lost_ = false;
};

// Set around every use of one of our connections, on the thread that uses it. While it is set, an
// I/O error of that connection returns into our code (which then finds the connection Lost), and one
// of any other connection reaches the handler that was installed before. Uses nest (an information
// box opened from inside the editor's idle); the host's handler is back when the outermost one goes.
class ConnectionUse {
  public:
    explicit ConnectionUse(const Connection& connection);
    ~ConnectionUse();
    ConnectionUse(const ConnectionUse&) = delete;
    ConnectionUse& operator=(const ConnectionUse&) = delete;

    // For the Xlib callback: answers for a connection in use on this thread, passes any other on.
    static int Handle(_XDisplay* display);

  private:
    _XDisplay* display_;
    ConnectionUse* outer_;
    void* previousHandler_;
};

} // namespace platform::x11
