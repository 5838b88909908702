// Machine-wide settings on Windows are the registry values the installer writes under
// HKEY_LOCAL_MACHINE. Key and value are read in the registry view of this module's own bitness, the
// one its installer writes to.
#include "platform/MachineSettings.h"

#include "platform/win32/Win32Api.h"

#include <vector>

namespace platform {
namespace {

// Closes the key however the read ends.
class OpenKey {
  public:
    explicit OpenKey(const std::string& path) {
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~OpenKey() {
        if (key_ != nullptr)
            RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    HKEY Get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

// The value's bytes and type; nothing when it does not exist. The loop covers a value that grows
// between asking for its size and reading it.
std::optional<std::vector<char>> queryValue(HKEY key, const std::string& name, DWORD& type) {
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    for (;;) {
        std::vector<char> data(size + 1, '\0');
        DWORD read = size;
        const LONG result =
            RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &read);
        if (result == ERROR_SUCCESS) {
            data.resize(read);
            return data;
        }
        if (result != ERROR_MORE_DATA)
            return std::nullopt;
        size = read;
    }
}

// A string stored with or without its terminating zero, or with several of them, reads the same.
std::string withoutTerminatingZeros(const std::vector<char>& data) {
    std::size_t length = data.size();
    while (length > 0 && data[length - 1] == '\0')
        --length;
    return std::string(data.data(), length);
}

// An expandable string names environment variables ("%ProgramFiles%\..."); whoever reads it expands
// them.
std::string expanded(const std::string& text) {
    const DWORD size = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    if (size == 0)
        return text;
    std::string result(size, '\0');
    const DWORD written = ExpandEnvironmentStringsA(text.c_str(), result.data(), size);
    if (written == 0 || written > size)
        return text;
    result.resize(written - 1); // the count includes the terminating zero
    return result;
}

} // namespace

std::optional<std::string> ReadMachineString(std::string_view keyPath, std::string_view valueName) {
    // The registry's paths are relative to the root key: "\Software\..." is "Software\...".
    const auto start = keyPath.find_first_not_of('\\');
    const OpenKey key(start == std::string_view::npos ? std::string() : std::string(keyPath.substr(start)));
    if (key.Get() == nullptr)
        return std::nullopt;
    DWORD type = REG_NONE;
    const auto data = queryValue(key.Get(), std::string(valueName), type);
    if (!data || (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    const std::string text = withoutTerminatingZeros(*data);
    return type == REG_EXPAND_SZ ? expanded(text) : text;
}

} // namespace platform
