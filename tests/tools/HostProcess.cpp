#include "tests/tools/HostProcess.h"

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

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

HostRun runHostSignalled(const std::string& arguments, const std::string& signal, double seconds) {
    // --preserve-status: the host's own exit code, not timeout's.
    return runShell("timeout --preserve-status -s " + signal + " " + std::to_string(seconds) + " " +
                    std::string(TMX1_HOST_PATH) + " " + arguments + " 2>&1");
}

int lineCount(const std::string& text) {
    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

} // namespace testing_support
