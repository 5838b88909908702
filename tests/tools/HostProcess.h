// Running the built tmx1-host as a user does, from a shell.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace testing_support {

struct HostRun {
    int exitCode;
    std::string output;
};

enum class Captured { outputAndErrors, errorsOnly };

// Runs tmx1-host with `arguments` (shell words, quoted by the caller where needed).
HostRun runHost(const std::string& arguments, Captured captured = Captured::outputAndErrors);

// Runs it under a pseudo-terminal, as in an interactive shell; everything it wrote, together.
HostRun runHostOnTerminal(const std::string& arguments);

// tmx1-host started with `arguments`, running while the test looks at what it does; the test sends it
// a signal when it is ready, as a user pressing Ctrl+C does. Killed if the test ends before finish().
class StartedHost {
  public:
    explicit StartedHost(const std::string& arguments);
    ~StartedHost();
    StartedHost(const StartedHost&) = delete;
    StartedHost& operator=(const StartedHost&) = delete;

    void signal(int number) const;
    // Reads what it says until `text` appears in it; false when it does not within `patience` (or it
    // stopped first). finish() still answers everything it said.
    bool awaitOutput(const std::string& text, std::chrono::seconds patience = std::chrono::seconds(20));
    // Waits until it stops; its exit code and everything it wrote. One still running after `patience`
    // (far longer than a busy machine takes to stop it) is killed and answers exit code -1.
    HostRun finish(std::chrono::seconds patience = std::chrono::seconds(20));

  private:
    FILE* pipe;
    int pid = -1;
    std::string said; // read by awaitOutput() so far
};

int lineCount(const std::string& text);

} // namespace testing_support
