// The desktop's "open" on Linux is xdg-open. It is started without a shell (the target is one argument,
// whatever characters it holds) and detached in a session of its own through an intermediate child
// that exits at once: the host process never collects xdg-open, so it never leaves a zombie, and the
// host's signal handling is not touched.
#include "platform/Shell.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace platform {

bool ShellOpen(void*, const std::string& target) {
    if (target.empty())
        return false;
    // Everything the children need is made before fork: after fork in a threaded process only
    // async-signal-safe calls are allowed until exec.
    std::string program = "xdg-open";
    std::string argument = target;
    char* const argv[] = {program.data(), argument.data(), nullptr};

    const pid_t intermediate = fork();
    if (intermediate < 0)
        return false;
    if (intermediate == 0) {
        setsid();
        const pid_t opener = fork();
        if (opener == 0) {
            const int devNull = open("/dev/null", O_RDWR);
            if (devNull >= 0) {
                dup2(devNull, STDIN_FILENO);
                dup2(devNull, STDOUT_FILENO);
                dup2(devNull, STDERR_FILENO);
            }
            execvp(argv[0], argv);
            _exit(127);
        }
        _exit(opener < 0 ? 1 : 0);
    }
    int status = 0;
    pid_t waited;
    do
        waited = waitpid(intermediate, &status, 0);
    while (waited < 0 && errno == EINTR);
    // A host that ignores SIGCHLD has its children reaped for it (ECHILD): the start still happened.
    if (waited < 0)
        return errno == ECHILD;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace platform
