// The user's own settings on Linux: lines of the user's XDG settings file (platform/posix/SettingsFile.h).
#include "platform/UserSettings.h"

#include "platform/posix/SettingsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <string>
#include <system_error>

namespace platform {
namespace {

namespace fs = std::filesystem;

std::optional<fs::path> userSettingsFile(std::string_view keyPath) {
    const std::optional<fs::path> file = posix::SettingsFileOf(keyPath);
    const std::optional<fs::path> dir = posix::UserConfigDirectory();
    if (!file || !dir)
        return std::nullopt;
    return *dir / *file;
}

bool isStorableName(std::string_view name) {
    return !name.empty() && name.find_first_of("=\n\r") == std::string_view::npos &&
           name.find_first_of(" \t") != 0 && name.find_last_of(" \t") != name.size() - 1 &&
           name.front() != '#' && name.front() != ';' && name.front() != '[';
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// Writes text into a new file beside target and renames it over target: whoever reads target sees
// the old text or the new, never a part. The file keeps the old one's permissions.
bool replaceFile(const fs::path& target, const std::string& text) {
    std::string temporary = target.string() + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return false;
    struct stat old {};
    const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    const bool written = writeAll(fd, text) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace

std::optional<long long> ReadUserNumber(std::string_view keyPath, std::string_view valueName) {
    const std::optional<fs::path> file = userSettingsFile(keyPath);
    if (!file)
        return std::nullopt;
    const std::optional<std::string> text = posix::ReadSettingsFile(*file);
    if (!text)
        return std::nullopt;
    const std::optional<std::string> value = posix::FindSettingsValue(*text, valueName);
    if (!value)
        return std::nullopt;
    long long number = 0;
    const char* end = value->data() + value->size();
    const auto [stop, error] = std::from_chars(value->data(), end, number);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return number;
}

bool WriteUserNumber(std::string_view keyPath, std::string_view valueName, long long value) {
    std::optional<fs::path> file = userSettingsFile(keyPath);
    if (!file || !isStorableName(valueName))
        return false;
    std::error_code error;
    fs::create_directories(file->parent_path(), error);
    if (error)
        return false;
    // A file that is a link to one kept elsewhere (a dotfiles folder) stays a link.
    if (fs::is_symlink(*file, error)) {
        file = fs::canonical(*file, error);
        if (error)
            return false;
    }
    std::string text;
    if (fs::exists(*file, error)) {
        std::optional<std::string> old = posix::ReadSettingsFile(*file);
        if (!old)
            return false; // what cannot be read cannot be kept
        text = std::move(*old);
    } else if (error) {
        return false;
    }
    return replaceFile(*file, posix::WithSettingsValue(text, valueName, std::to_string(value)));
}

} // namespace platform
