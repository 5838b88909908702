// What a command-line tool needs to know about the terminal it writes to: whether there is one,
// and how wide it is.
#pragma once

namespace platform {

enum class StandardStream { output, error };

// True when the stream is connected to an interactive terminal (not a file or a pipe).
bool isTerminal(StandardStream stream);

// The width of the terminal behind the stream in character cells, or 0 when it has none or the
// width cannot be determined.
int terminalColumns(StandardStream stream);

} // namespace platform
