#include "platform/posix/SettingsFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform::posix {
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
        const auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// A "Name=text" line, both parts trimmed; nothing for a blank line, a comment or a section header.
struct ValueLine {
    std::string_view name;
    std::string_view value;
};

std::optional<ValueLine> valueLineOf(std::string_view line) {
    const std::string_view text = Trimmed(line);
    if (text.empty() || text.front() == '#' || text.front() == ';' || text.front() == '[')
        return std::nullopt;
    const auto equals = text.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    return ValueLine{Trimmed(text.substr(0, equals)), Trimmed(text.substr(equals + 1))};
}

// Calls each(line) for every line of text, without its '\n'.
template <typename Each> void forEachLine(std::string_view text, Each each) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        each(text.substr(start, end - start));
        start = end + 1;
    }
}

} // namespace

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::optional<std::filesystem::path> SettingsFileOf(std::string_view keyPath) {
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

std::optional<std::filesystem::path> UserConfigDirectory() {
    if (const char* configHome = std::getenv("XDG_CONFIG_HOME");
        configHome != nullptr && std::filesystem::path(configHome).is_absolute())
        return std::filesystem::path(configHome);
    if (const char* home = std::getenv("HOME"); home != nullptr && std::filesystem::path(home).is_absolute())
        return std::filesystem::path(home) / ".config";
    return std::nullopt;
}

std::vector<std::filesystem::path> ConfigDirectories() {
    std::vector<std::filesystem::path> result;
    if (const std::optional<std::filesystem::path> user = UserConfigDirectory())
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

// Read with the system's calls: a stream meeting a read error (a folder where the file should be)
// throws from inside the library, and an empty file must still read as empty.
std::optional<std::string> ReadSettingsFile(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            ::close(fd);
            return count == 0 ? std::optional<std::string>(std::move(text)) : std::nullopt;
        }
        text.append(buffer, static_cast<std::size_t>(count));
    }
}

std::optional<std::string> FindSettingsValue(std::string_view text, std::string_view valueName) {
    std::optional<std::string> found;
    forEachLine(text, [&](std::string_view line) {
        const std::optional<ValueLine> value = valueLineOf(line);
        if (!found && value && equalsIgnoringCase(value->name, valueName))
            found.emplace(value->value);
    });
    return found;
}

std::string WithSettingsValue(std::string_view text, std::string_view valueName, std::string_view value) {
    const std::string newLine = std::string(valueName) + "=" + std::string(value);
    std::string result;
    bool written = false;
    forEachLine(text, [&](std::string_view line) {
        const std::optional<ValueLine> old = valueLineOf(line);
        if (old && equalsIgnoringCase(old->name, valueName)) {
            if (written)
                return;
            result += newLine;
            if (!line.empty() && line.back() == '\r')
                result += '\r'; // a file with DOS line ends keeps them
            written = true;
        } else {
            result += line;
        }
        result += '\n';
    });
    if (!written)
        result += newLine + '\n';
    return result;
}

} // namespace platform::posix
