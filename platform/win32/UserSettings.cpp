// The user's own settings on Windows: registry values under HKEY_CURRENT_USER, which roams with the
// user's profile and needs no rights beyond the user's.
#include "platform/UserSettings.h"

#include "platform/win32/Registry.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace platform {

std::optional<long long> ReadUserNumber(std::string_view keyPath, std::string_view valueName) {
    const win32::RegistryKey key(HKEY_CURRENT_USER, keyPath, KEY_READ);
    if (key.Get() == nullptr)
        return std::nullopt;
    DWORD type = REG_NONE;
    const auto data = win32::QueryRegistryValue(key.Get(), std::string(valueName), type);
    if (!data)
        return std::nullopt;
    if (type == REG_DWORD && data->size() == sizeof(std::uint32_t)) {
        std::uint32_t value = 0;
        std::memcpy(&value, data->data(), sizeof value);
        return value;
    }
    if (type == REG_QWORD && data->size() == sizeof(std::int64_t)) {
        std::int64_t value = 0;
        std::memcpy(&value, data->data(), sizeof value);
        return value;
    }
    return std::nullopt;
}

bool WriteUserNumber(std::string_view keyPath, std::string_view valueName, long long value) {
    const win32::RegistryKey key(HKEY_CURRENT_USER, keyPath, KEY_SET_VALUE, true);
    if (key.Get() == nullptr)
        return false;
    const std::string name(valueName);
    if (value >= 0 && value <= std::numeric_limits<std::uint32_t>::max()) {
        const auto dword = static_cast<std::uint32_t>(value);
        return RegSetValueExA(key.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword),
                              sizeof dword) == ERROR_SUCCESS;
    }
    const std::int64_t qword = value;
    return RegSetValueExA(key.Get(), name.c_str(), 0, REG_QWORD, reinterpret_cast<const BYTE*>(&qword),
                          sizeof qword) == ERROR_SUCCESS;
}

} // namespace platform
