// Loading a plug-in library and finding its exported symbols.
#pragma once

#include <stdexcept>
#include <string>

namespace platform {

class LibraryError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class SharedLibrary {
  public:
    // Throws LibraryError with a one-line reason when the file is missing or cannot be loaded.
    explicit SharedLibrary(const std::string& path);
    ~SharedLibrary();
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&&) = delete;
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // The address of an exported symbol of this library, or null.
    void* symbol(const char* name) const;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    void* handle = nullptr;
};

} // namespace platform
