// Private X servers for the tests that need a real display: Xvfb on a free display number. The shared
// one is started when the first test asks for it and stopped when the test program ends; DISPLAY
// points at it, so the code under test connects to it as it would to a desktop's server. A test that
// takes a server away starts one of its own.
#pragma once

#include <sys/types.h>

#include <string>

namespace testing_support {

// Starts the shared server once per test program (later calls answer the same one) and sets DISPLAY.
// Fails the calling test when Xvfb cannot be started.
const std::string& privateDisplay();

class XvfbServer {
  public:
    // Starts Xvfb and returns once it accepts connections. Throws std::runtime_error when it cannot.
    XvfbServer();
    // Stops the server unless it was killed already.
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // ":N", as DISPLAY takes it.
    const std::string& display() const { return display_; }
    // Ends the server at once, as a crash would, and returns once it is gone. Its display number stays
    // taken while this object lives, so that DISPLAY names no server at all.
    void kill();

  private:
    void reserveDisplayNumber();

    std::string display_;
    pid_t pid_ = -1;
    std::string lockFile_; // ours once the server was killed
};

// Points DISPLAY at another server for as long as it lives.
class DisplayVariable {
  public:
    explicit DisplayVariable(const std::string& display);
    ~DisplayVariable();
    DisplayVariable(const DisplayVariable&) = delete;
    DisplayVariable& operator=(const DisplayVariable&) = delete;

  private:
    bool had_;
    std::string previous_;
};

} // namespace testing_support
