#include "tools/tmx1-host/PendingFile.h"

#include "tools/tmx1-host/SoundFile.h"

#include <random>
#include <system_error>

namespace host {

namespace {

// Hidden and unique, so that neither a user nor a second render mistakes it for a result.
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
        throw SoundFileError(finalPath.string() + ": cannot be written (" + error.message() + ")");
    committed = true;
}

} // namespace host
