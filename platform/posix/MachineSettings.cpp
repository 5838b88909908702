// Installation settings on Linux follow the XDG base directories (platform/posix/SettingsFile.h): the
// user's own file ($XDG_CONFIG_HOME, default ~/.config: a per-user installation writes there) before
// the machine's ($XDG_CONFIG_DIRS, default /etc/xdg). The first file that has the value decides: the
// user's file also holds what the plug-in remembers for the user, and that must not hide the machine's
// installation.
#include "platform/MachineSettings.h"

#include "platform/posix/SettingsFile.h"

namespace platform {

std::optional<std::string> ReadMachineString(std::string_view keyPath, std::string_view valueName) {
    const auto file = posix::SettingsFileOf(keyPath);
    if (!file)
        return std::nullopt;
    for (const std::filesystem::path& dir : posix::ConfigDirectories())
        if (const std::optional<std::string> text = posix::ReadSettingsFile(dir / *file))
            if (std::optional<std::string> value = posix::FindSettingsValue(*text, valueName))
                return value;
    return std::nullopt;
}

} // namespace platform
