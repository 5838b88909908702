#include "tests/support/XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace testing_support {

namespace {

// Xvfb writes the display number it took once it accepts connections.
std::string readDisplayNumber(int fd) {
    std::string number;
    pollfd ready{fd, POLLIN, 0};
    char c = 0;
    while (poll(&ready, 1, 10000) > 0 && read(fd, &c, 1) == 1 && c != '\n')
        number += c;
    if (number.empty())
        throw std::runtime_error("Xvfb did not start (is the xvfb package installed?)");
    return number;
}

} // namespace

XvfbServer::XvfbServer() {
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        throw std::runtime_error("cannot make a pipe for Xvfb");
    pid_ = fork();
    if (pid_ < 0)
        throw std::runtime_error("cannot start Xvfb");
    if (pid_ == 0) {
        close(pipeFds[0]);
        const std::string fd = std::to_string(pipeFds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    try {
        display_ = ":" + readDisplayNumber(pipeFds[0]);
    } catch (...) {
        close(pipeFds[0]);
        kill();
        throw;
    }
    close(pipeFds[0]);
}

XvfbServer::~XvfbServer() {
    if (!lockFile_.empty())
        unlink(lockFile_.c_str());
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
}

void XvfbServer::kill() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    if (!display_.empty())
        reserveDisplayNumber();
}

// A killed server leaves its lock file naming a dead process, and the next server to start (another
// test's, run in parallel) would take the number over and answer on DISPLAY in its place. The lock
// names this process instead, which lives, until the object goes.
void XvfbServer::reserveDisplayNumber() {
    lockFile_ = "/tmp/.X" + display_.substr(1) + "-lock";
    const int fd = open(lockFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0444);
    if (fd < 0)
        return;
    char pid[16];
    const int length = std::snprintf(pid, sizeof pid, "%10d\n", static_cast<int>(getpid()));
    const bool written = write(fd, pid, static_cast<std::size_t>(length)) == length;
    close(fd);
    if (!written)
        unlink(lockFile_.c_str());
}

DisplayVariable::DisplayVariable(const std::string& display) {
    const char* previous = std::getenv("DISPLAY");
    had_ = previous != nullptr;
    previous_ = had_ ? previous : "";
    setenv("DISPLAY", display.c_str(), 1);
}

DisplayVariable::~DisplayVariable() {
    if (had_)
        setenv("DISPLAY", previous_.c_str(), 1);
    else
        unsetenv("DISPLAY");
}

const std::string& privateDisplay() {
    static XvfbServer server; // stopped at exit, after the tests
    static const DisplayVariable pointed(server.display());
    return server.display();
}

} // namespace testing_support
