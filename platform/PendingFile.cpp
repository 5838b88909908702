#include "platform/PendingFile.h"

#include <random>
#include <string>
#include <system_error>

namespace platform {

namespace {

// Hidden and unique, so that neither a user nor a second writer mistakes it for a finished file.
// Made of path pieces, not narrow strings: on Windows a name outside the code page would not survive
// the round trip.
std::filesystem::path temporaryNameBeside(const std::filesystem::path& finalPath) {
    std::random_device entropy;
    std::filesystem::path name = ".";
    name += finalPath.filename();
    name += ".partial-" + std::to_string(entropy());
    return finalPath.parent_path() / name;
}

} // namespace

PendingFile::PendingFile(std::filesystem::path finalPath)
    : finalPath(std::move(finalPath)), temporary(temporaryNameBeside(this->finalPath)) {}

PendingFile::~PendingFile() {
    if (committed)
        return;
    std::error_code ignored; // nothing may have been written yet
    std::filesystem::remove(temporary, ignored);
}

void PendingFile::commit() {
    std::error_code error;
    std::filesystem::rename(temporary, finalPath, error);
    if (error)
        throw FileWriteError(finalPath.string() + ": cannot be written (" + error.message() + ")");
    committed = true;
}

} // namespace platform
