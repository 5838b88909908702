#include "platform/win32/Registry.h"

namespace platform::win32 {

RegistryKey::RegistryKey(HKEY root, std::string_view keyPath, REGSAM access, bool create) {
    // The registry's paths are relative to the root key: "\Software\..." is "Software\...".
    const auto start = keyPath.find_first_not_of('\\');
    const std::string path =
        start == std::string_view::npos ? std::string() : std::string(keyPath.substr(start));
    const LONG result =
        create ? RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, access, nullptr, &key_, nullptr)
               : RegOpenKeyExA(root, path.c_str(), 0, access, &key_);
    if (result != ERROR_SUCCESS)
        key_ = nullptr;
}

RegistryKey::~RegistryKey() {
    if (key_ != nullptr)
        RegCloseKey(key_);
}

// The loop covers a value that grows between asking for its size and reading it.
std::optional<std::vector<char>> QueryRegistryValue(HKEY key, const std::string& name, DWORD& type) {
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

} // namespace platform::win32
