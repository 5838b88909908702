#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace testing_support {

namespace {

class XvfbServer {
  public:
    XvfbServer() {
        int pipeFds[2];
        if (pipe(pipeFds) != 0)
            throw std::runtime_error("cannot make a pipe for Xvfb");
        pid = fork();
        if (pid < 0)
            throw std::runtime_error("cannot start Xvfb");
        if (pid == 0) {
            close(pipeFds[0]);
            const std::string fd = std::to_string(pipeFds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-nolisten", "tcp",
                   "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipeFds[1]);
        display = ":" + readDisplayNumber(pipeFds[0]);
        close(pipeFds[0]);
        setenv("DISPLAY", display.c_str(), 1);
    }
    ~XvfbServer() {
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
    }

    std::string display;

  private:
    // Xvfb writes the display number it took once it accepts connections.
    static std::string readDisplayNumber(int fd) {
        std::string number;
        pollfd ready{fd, POLLIN, 0};
        char c = 0;
        while (poll(&ready, 1, 10000) > 0 && read(fd, &c, 1) == 1 && c != '\n')
            number += c;
        if (number.empty())
            throw std::runtime_error("Xvfb did not start (is the xvfb package installed?)");
        return number;
    }

    pid_t pid = -1;
};

} // namespace

const std::string& privateDisplay() {
    static XvfbServer server; // stopped at exit, after the tests
    return server.display;
}

} // namespace testing_support
