// Settings that the product's installation writes and the plug-in only reads. On Windows they are
// registry values under HKEY_LOCAL_MACHINE; on Linux they live in an INI-style file named after the key
// path, the user's own (a per-user installation) before the machine's (see the README for the places).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The string value `valueName` under the key `keyPath` (for example "\Software\Maker\Product");
// nothing when the key or the value does not exist or cannot be read. An empty value is returned as
// an empty string.
std::optional<std::string> ReadMachineString(std::string_view keyPath, std::string_view valueName);

} // namespace platform
