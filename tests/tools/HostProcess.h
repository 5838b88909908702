// Running the built tmx1-host as a user does, from a shell.
#pragma once

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

// Runs it and sends it `signal` (INT, TERM, ...) after `seconds`, as a user pressing Ctrl+C would.
HostRun runHostSignalled(const std::string& arguments, const std::string& signal, double seconds);

int lineCount(const std::string& text);

} // namespace testing_support
