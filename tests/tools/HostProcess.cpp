#include "tests/tools/HostProcess.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

namespace {

HostRun runShell(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return {-1, "popen failed"};
    std::string output;
    std::array<char, 4096> buffer{};
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

} // namespace

HostRun runHost(const std::string& arguments, Captured captured) {
    const char* redirect = captured == Captured::errorsOnly ? " 2>&1 >/dev/null" : " 2>&1";
    return runShell(std::string(TMX1_HOST_PATH) + " " + arguments + redirect);
}

HostRun runHostOnTerminal(const std::string& arguments) {
    // script(1) gives the command a pseudo-terminal and copies what appears on it to our pipe.
    return runShell("script -qefc '" + std::string(TMX1_HOST_PATH) + " " + arguments + "' /dev/null");
}

// The shell says its process id, then becomes the host: the id is the host's, and pclose() answers
// with the host's own exit status. The pipe is read unbuffered, a byte at a time up to the id's line
// end, so that nothing the host says after it is held in a buffer that finish() would not see.
StartedHost::StartedHost(const std::string& arguments)
    : pipe(
          popen(("exec 2>&1; echo $$; exec " + std::string(TMX1_HOST_PATH) + " " + arguments).c_str(), "r")) {
    if (pipe == nullptr)
        return;
    std::string line;
    char c = 0;
    while (read(fileno(pipe), &c, 1) == 1 && c != '\n')
        line += c;
    pid = std::atoi(line.c_str());
}

StartedHost::~StartedHost() {
    if (pipe == nullptr)
        return;
    signal(SIGKILL);
    pclose(pipe);
}

void StartedHost::signal(int number) const {
    if (pid > 0)
        kill(pid, number);
}

bool StartedHost::awaitOutput(const std::string& text, std::chrono::seconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (pipe != nullptr && said.find(text) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd readable{fileno(pipe), POLLIN, 0};
        if (left.count() <= 0 || poll(&readable, 1, static_cast<int>(left.count())) <= 0)
            return false;
        std::array<char, 4096> buffer{};
        const ssize_t n = read(fileno(pipe), buffer.data(), buffer.size());
        if (n <= 0)
            return false;
        said.append(buffer.data(), static_cast<std::size_t>(n));
    }
    return pipe != nullptr;
}

HostRun StartedHost::finish(std::chrono::seconds patience) {
    if (pipe == nullptr)
        return {-1, "the host did not start"};
    const auto deadline = std::chrono::steady_clock::now() + patience;
    std::string output = std::move(said);
    bool stopped = true;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd readable{fileno(pipe), POLLIN, 0};
        if (stopped && poll(&readable, 1, static_cast<int>(std::max<long>(left.count(), 0))) == 0) {
            stopped = false; // the end of its output comes once it is killed
            signal(SIGKILL);
        }
        std::array<char, 4096> buffer{};
        const ssize_t n = read(fileno(pipe), buffer.data(), buffer.size());
        if (n <= 0)
            break;
        output.append(buffer.data(), static_cast<std::size_t>(n));
    }
    const int status = pclose(pipe);
    pipe = nullptr;
    if (!stopped)
        return {-1, output + "\n(still running after " + std::to_string(patience.count()) + " s, killed)"};
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

int lineCount(const std::string& text) {
    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

} // namespace testing_support
