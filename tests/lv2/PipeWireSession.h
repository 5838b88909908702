// A PipeWire session of a test's own, as a desktop runs one: the server, WirePlumber as its session
// manager (on a D-Bus session bus of its own) and one null sink, "test_output", as the only real
// output, at 48 kHz. Everything runs under a private runtime folder, so that no desktop's PipeWire is
// seen or touched; every process started here, with whatever it started, ends with the session.
#pragma once

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <sys/types.h>

namespace lv2test {

class PipeWireSession {
  public:
    // Thrown when the server cannot run here at all (no PipeWire installed, or it stops at once).
    struct Unavailable : std::runtime_error {
        using std::runtime_error::runtime_error;
    };

    // Starts the server and WirePlumber and returns once WirePlumber has made the null sink the
    // default output. `lv2Path` is the LV2_PATH of every process started in the session.
    explicit PipeWireSession(const std::string& lv2Path);
    ~PipeWireSession();
    PipeWireSession(const PipeWireSession&) = delete;
    PipeWireSession& operator=(const PipeWireSession&) = delete;

    // A scratch folder that goes with the session.
    const std::filesystem::path& folder() const { return folder_; }

    // Starts a program in the session, in a process group of its own; answers its index for stop().
    std::size_t start(const std::vector<std::string>& command);
    // Sends the signal to what start() started and waits until it ends; answers its exit code, -1 when
    // it had to be killed after `patience` or ended by a signal.
    int stop(std::size_t started, int signal, std::chrono::seconds patience = std::chrono::seconds(20));

    struct Run {
        int exitCode;
        std::string output; // standard output and errors, together
    };
    // Runs a program in the session to its end.
    Run run(const std::vector<std::string>& command) const;

    // Waits until every text is in what the command prints, polling; false when one is still missing
    // after `patience` (far longer than a busy machine takes).
    bool waitFor(const std::vector<std::string>& command, const std::vector<std::string>& texts,
                 std::chrono::seconds patience = std::chrono::seconds(30)) const;

    // What the server wrote, for a failure's message.
    std::string serverLog() const;

  private:
    void startServerAndSessionManager();
    // Ends every process started here, the server last, and removes the folder.
    void shutDown();
    pid_t spawn(const std::vector<std::string>& command, const std::filesystem::path& log) const;
    std::vector<std::string> environment() const;

    std::filesystem::path folder_;
    std::string lv2Path_;
    std::vector<pid_t> groups_;
};

} // namespace lv2test
