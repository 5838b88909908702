// The XDG base directories' rule: an absolute $XDG_DATA_HOME, else ~/.local/share (a relative value is
// invalid and ignored).
#include "platform/UserFolders.h"

#include <cstdlib>

namespace platform {

namespace {

std::optional<std::filesystem::path> absoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || !std::filesystem::path(value).is_absolute())
        return std::nullopt;
    return std::filesystem::path(value);
}

} // namespace

std::optional<std::filesystem::path> UserDataFolder() {
    if (auto dataHome = absoluteVariable("XDG_DATA_HOME"))
        return dataHome;
    if (auto home = absoluteVariable("HOME"))
        return *home / ".local" / "share";
    return std::nullopt;
}

} // namespace platform
