// Machine-wide settings on Windows are the registry values the installer writes under
// HKEY_LOCAL_MACHINE. Key and value are read in the registry view of this module's own bitness, the
// one its installer writes to.
#include "platform/MachineSettings.h"

#include "platform/win32/Registry.h"

namespace platform {
namespace {

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
    const win32::RegistryKey key(HKEY_LOCAL_MACHINE, keyPath, KEY_READ);
    if (key.Get() == nullptr)
        return std::nullopt;
    DWORD type = REG_NONE;
    const auto data = win32::QueryRegistryValue(key.Get(), std::string(valueName), type);
    if (!data || (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    const std::string text = withoutTerminatingZeros(*data);
    return type == REG_EXPAND_SZ ? expanded(text) : text;
}

} // namespace platform
