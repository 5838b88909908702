#include "platform/SharedLibrary.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <utility>

namespace platform {

SharedLibrary::SharedLibrary(const std::string& path) : path_(path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        throw LibraryError(path + ": no such file");
    if (!S_ISREG(info.st_mode))
        throw LibraryError(path + ": not a file");
    // A bare file name would make the loader search its library path; we mean this file.
    const std::string target = path.find('/') == std::string::npos ? "./" + path : path;
    handle = ::dlopen(target.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = ::dlerror();
        throw LibraryError(path + ": not a loadable shared library (" + (reason ? reason : "unknown reason") +
                           ")");
    }
}

SharedLibrary::~SharedLibrary() {
    if (handle != nullptr)
        ::dlclose(handle);
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : path_(std::move(other.path_)), handle(std::exchange(other.handle, nullptr)) {}

void* SharedLibrary::symbol(const char* name) const { return ::dlsym(handle, name); }

} // namespace platform
