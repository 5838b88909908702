// Ctrl+C and termination requests for a command-line tool that runs until the user stops it. While an
// InterruptHandler lives, an interrupt (SIGINT) or a termination request (SIGTERM) calls the tool's
// function instead of ending the process, so that the tool can close what it has open first. Every
// request is caught, however often it comes (a supervisor may send it twice); a tool that is stuck (in
// a plug-in's modal box, say) still ends at once on Ctrl+\ (SIGQUIT), which is left alone.
#pragma once

#include <memory>

namespace platform {

class InterruptHandler {
  public:
    // onInterrupt runs inside the signal, on whichever thread the system picks: it may do nothing but
    // store to a lock-free atomic flag.
    explicit InterruptHandler(void (*onInterrupt)());
    // Puts back what the process did on these requests before.
    ~InterruptHandler();
    InterruptHandler(const InterruptHandler&) = delete;
    InterruptHandler& operator=(const InterruptHandler&) = delete;

  private:
    struct Previous;
    std::unique_ptr<Previous> previous_;
};

} // namespace platform
