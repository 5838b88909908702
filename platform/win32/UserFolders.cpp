// The user's Documents folder, as the shell knows it (it may have been moved off the profile).
#include "platform/UserFolders.h"

#include "platform/win32/Win32Api.h"

#include <shlobj.h>

namespace platform {

std::optional<std::filesystem::path> UserDataFolder() {
    wchar_t folder[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK)
        return std::nullopt;
    return std::filesystem::path(folder);
}

} // namespace platform
