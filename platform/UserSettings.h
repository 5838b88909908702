// What the plug-in remembers for the user who runs it (the editor's zoom). On Windows these are
// registry values under HKEY_CURRENT_USER; on Linux "Name=number" lines of the user's own settings
// file, the one ReadMachineString looks at first ($XDG_CONFIG_HOME, default ~/.config, then the file
// named after the key path), which may hold an installation's lines too.
#pragma once

#include <optional>
#include <string_view>

namespace platform {

// The number `valueName` under the key `keyPath` (for example "\Software\Maker\Product"); nothing when
// the key or the value does not exist, cannot be read or holds no whole number (on Windows: is not a
// DWORD or QWORD).
std::optional<long long> ReadUserNumber(std::string_view keyPath, std::string_view valueName);

// Stores the number, creating the key (the folders and the file) when needed; false when it cannot.
// On Linux the file is replaced at once (written beside it, then renamed over it), so that a reader
// never sees half of it, and every other line stays; a name that could not be read back (empty, or
// with '=', a line end or surrounding blanks) is refused. On Windows a value that fits is a DWORD,
// any other a QWORD.
bool WriteUserNumber(std::string_view keyPath, std::string_view valueName, long long value);

} // namespace platform
