// A file that appears under its name only once it is complete: it is written under a temporary
// name in the same folder and renamed over the final name on commit, so an interrupted or failed
// write never leaves a truncated file where a finished one is expected.
#pragma once

#include <filesystem>
#include <stdexcept>

namespace platform {

// A file that could not be put in place; the message names it and says why.
class FileWriteError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class PendingFile {
  public:
    explicit PendingFile(std::filesystem::path finalPath);
    // Removes the temporary file unless it was committed.
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Where to write meanwhile.
    const std::filesystem::path& temporaryPath() const { return temporary; }
    // Renames the finished file to its final name; throws FileWriteError when that fails.
    void commit();

  private:
    std::filesystem::path finalPath;
    std::filesystem::path temporary;
    bool committed = false;
};

} // namespace platform
