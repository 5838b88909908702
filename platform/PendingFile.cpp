#include "platform/PendingFile.h"

#include <random>
#include <string>
#include <system_error>

namespace platform {

namespace {

// Hidden and unique, so that neither a user nor a second writer mistakes it for a finished file.
std::filesystem::path temporaryNameBeside(const std::filesystem::path& finalPath) {
    std::random_device entropy;
    const unsigned tag = entropy();
    return finalPath.parent_path() /
           ("." + finalPath.filename().string() + ".partial-" + std::to_string(tag));
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
