// Installation settings on Linux follow the XDG base directories: a key path such as
// "\Software\Maker\Product" is the file "Maker/Product.conf" in the first directory that has it, the
// user's own ($XDG_CONFIG_HOME, default ~/.config: a per-user installation writes there) before the
// machine's ($XDG_CONFIG_DIRS, default /etc/xdg), and each value is a "Name=text" line of that file.
// Blank lines, comments (# or ;) and section headers ([General]) are skipped; names ignore letter
// case, as registry value names do.
#include "platform/MachineSettings.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

namespace platform {
namespace {

std::vector<std::string> splitPath(std::string_view text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos)
            end = text.size();
        if (end > start)
            parts.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// "\Software\Maker\Product" -> "Maker/Product.conf"; nothing for a path that could leave the folder.
std::optional<std::filesystem::path> settingsFileOf(std::string_view keyPath) {
    std::vector<std::string> parts = splitPath(keyPath, '\\');
    if (!parts.empty() && equalsIgnoringCase(parts.front(), "Software"))
        parts.erase(parts.begin());
    if (parts.empty())
        return std::nullopt;
    std::filesystem::path file;
    for (const std::string& part : parts) {
        if (part == "." || part == ".." || part.find('/') != std::string::npos)
            return std::nullopt;
        file /= part;
    }
    file += ".conf";
    return file;
}

// $XDG_CONFIG_HOME, or ~/.config when it is unset or not absolute; nothing without a home.
std::optional<std::filesystem::path> userConfigDirectory() {
    if (const char* configHome = std::getenv("XDG_CONFIG_HOME");
        configHome != nullptr && std::filesystem::path(configHome).is_absolute())
        return std::filesystem::path(configHome);
    if (const char* home = std::getenv("HOME"); home != nullptr && std::filesystem::path(home).is_absolute())
        return std::filesystem::path(home) / ".config";
    return std::nullopt;
}

// Where settings files are looked for, the most personal first.
std::vector<std::filesystem::path> configDirectories() {
    std::vector<std::filesystem::path> result;
    if (const std::optional<std::filesystem::path> user = userConfigDirectory())
        result.push_back(*user);
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    const std::size_t machineStart = result.size();
    if (dirs != nullptr)
        for (const std::string& dir : splitPath(dirs, ':'))
            if (std::filesystem::path(dir).is_absolute()) // relative entries are invalid by the XDG rules
                result.emplace_back(dir);
    if (result.size() == machineStart)
        result.emplace_back("/etc/xdg");
    return result;
}

std::optional<std::string> findValue(std::istream& in, std::string_view valueName) {
    std::string line;
    while (std::getline(in, line)) {
        const std::string_view text = trimmed(line);
        if (text.empty() || text.front() == '#' || text.front() == ';' || text.front() == '[')
            continue;
        const auto equals = text.find('=');
        if (equals == std::string_view::npos)
            continue;
        if (equalsIgnoringCase(trimmed(text.substr(0, equals)), valueName))
            return std::string(trimmed(text.substr(equals + 1)));
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> ReadMachineString(std::string_view keyPath, std::string_view valueName) {
    const auto file = settingsFileOf(keyPath);
    if (!file)
        return std::nullopt;
    for (const std::filesystem::path& dir : configDirectories()) {
        std::ifstream in(dir / *file);
        if (in)
            return findValue(in, valueName); // the first file found decides, as XDG lookups do
    }
    return std::nullopt;
}

} // namespace platform
