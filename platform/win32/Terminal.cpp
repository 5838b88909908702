// A Windows console is what a terminal is on Linux. A program started from a shell that pipes its
// output (and Wine without a console) has no console behind the stream.
#include "platform/Terminal.h"

#include "platform/win32/Win32Api.h"

namespace platform {

namespace {

HANDLE handleOf(StandardStream stream) {
    return GetStdHandle(stream == StandardStream::output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

} // namespace

bool isTerminal(StandardStream stream) {
    DWORD mode = 0;
    return GetConsoleMode(handleOf(stream), &mode) != FALSE;
}

int terminalColumns(StandardStream stream) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(handleOf(stream), &info) == FALSE)
        return 0;
    // The visible window, not the buffer, which may be far wider than what the user sees.
    return info.srWindow.Right - info.srWindow.Left + 1;
}

} // namespace platform
