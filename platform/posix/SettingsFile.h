// The INI-style settings files of the XDG base directories, shared by the installation's settings
// (read only) and the user's own (read and written): where they are and what their lines say.
//
// A key path such as "\Software\Maker\Product" is the file "Maker/Product.conf" below a configuration
// directory, and each value is a "Name=text" line of that file. Blank lines, comments (# or ;) and
// section headers ([General]) are skipped; names ignore letter case, as registry value names do.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::posix {

// text without the blanks, tabs and DOS line end around it.
std::string_view Trimmed(std::string_view text);

// "\Software\Maker\Product" -> "Maker/Product.conf"; nothing for a path that could leave the folder.
std::optional<std::filesystem::path> SettingsFileOf(std::string_view keyPath);

// $XDG_CONFIG_HOME, or ~/.config when it is unset or not absolute; nothing without a home.
std::optional<std::filesystem::path> UserConfigDirectory();

// Where settings files are looked for, the most personal first: the user's own, then the machine's
// ($XDG_CONFIG_DIRS, default /etc/xdg).
std::vector<std::filesystem::path> ConfigDirectories();

// The whole file; nothing when it cannot be opened.
std::optional<std::string> ReadSettingsFile(const std::filesystem::path& file);

// The text of the first line that names valueName, trimmed; nothing when no line does.
std::optional<std::string> FindSettingsValue(std::string_view text, std::string_view valueName);

// text with the value set: the first line that names valueName becomes "valueName=value" (later ones
// go, so that nothing contradicts it), or the line is added at the end. Every other line stays as it
// was, byte for byte (a last line without its line end gets one).
std::string WithSettingsValue(std::string_view text, std::string_view valueName, std::string_view value);

} // namespace platform::posix
