// Where a user's own documents for a program belong (preset files, say), as the desktop defines it.
#pragma once

#include <filesystem>
#include <optional>

namespace platform {

// On Linux $XDG_DATA_HOME, else ~/.local/share; on Windows the user's Documents folder. Nothing when
// the system cannot tell (no home folder). The folder need not exist yet.
std::optional<std::filesystem::path> UserDataFolder();

} // namespace platform
