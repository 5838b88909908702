#include "platform/Terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

namespace {

int descriptor(StandardStream stream) {
    return stream == StandardStream::output ? STDOUT_FILENO : STDERR_FILENO;
}

} // namespace

bool isTerminal(StandardStream stream) { return isatty(descriptor(stream)) == 1; }

int terminalColumns(StandardStream stream) {
    winsize size{};
    if (ioctl(descriptor(stream), TIOCGWINSZ, &size) != 0)
        return 0;
    return size.ws_col;
}

} // namespace platform
