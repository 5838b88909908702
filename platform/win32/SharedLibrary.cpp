#include "platform/SharedLibrary.h"

#include "platform/win32/SystemError.h"
#include "platform/win32/Win32Api.h"

#include <utility>

namespace platform {

namespace {

// The full path of the file we mean. LoadLibrary searches its own list of folders for a name
// without a path and appends ".dll" to a name without an extension; a full path ending in "." for
// the latter stops both.
std::string loadablePath(const std::string& path) {
    std::string full(MAX_PATH, '\0');
    DWORD length = GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.assign(length, '\0');
        length = GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (length == 0 || length >= full.size())
        return path;
    full.resize(length);
    const std::size_t name = full.find_last_of("\\/");
    if (full.find('.', name == std::string::npos ? 0 : name) == std::string::npos)
        full += '.';
    return full;
}

} // namespace

SharedLibrary::SharedLibrary(const std::string& path) : path_(path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        throw LibraryError(path + ": no such file");
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        throw LibraryError(path + ": not a file");
    // The altered search path finds the libraries this one depends on next to it, as hosts load
    // plug-ins. No error box: a library that cannot load is reported to our caller, not the user.
    DWORD previousMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previousMode);
    handle = LoadLibraryExA(loadablePath(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD error = GetLastError();
    SetThreadErrorMode(previousMode, nullptr);
    if (handle == nullptr)
        throw LibraryError(path + ": not a loadable shared library (" + win32::SystemErrorText(error) + ")");
}

SharedLibrary::~SharedLibrary() {
    if (handle != nullptr)
        FreeLibrary(static_cast<HMODULE>(handle));
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : path_(std::move(other.path_)), handle(std::exchange(other.handle, nullptr)) {}

void* SharedLibrary::symbol(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

} // namespace platform
