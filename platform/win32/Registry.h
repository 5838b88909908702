// The registry as the settings read and write it: keys named by paths of the form
// "\Software\Maker\Product", opened in the view of this module's own bitness.
#pragma once

#include "platform/win32/Win32Api.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::win32 {

// An open key, closed however its use ends; Get() is null when it could not be opened.
class RegistryKey {
  public:
    // Opens the key below root with the given access; `create` makes it (and its parents) first.
    RegistryKey(HKEY root, std::string_view keyPath, REGSAM access, bool create = false);
    ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    HKEY Get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

// The value's bytes and type; nothing when it does not exist or cannot be read.
std::optional<std::vector<char>> QueryRegistryValue(HKEY key, const std::string& name, DWORD& type);

} // namespace platform::win32
