#include "presets/PresetFile.h"

#include "presets/PresetCodec.h"

#include "platform/PendingFile.h"

#include <fstream>
#include <system_error>

namespace presets {

namespace {

std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error)
        throw PresetError(path.string() + ": cannot be read (" + error.message() + ")");
    if (size > kLargestPresetFile)
        throw PresetError(path.string() + ": too large for a preset file (" + std::to_string(size) +
                          " bytes)");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        throw PresetError(path.string() + ": cannot be read");
    return bytes;
}

} // namespace

Preset readPresetFile(const std::filesystem::path& path, const PluginIdentity& plugin) {
    const std::vector<std::uint8_t> bytes = readBytes(path);
    try {
        return decodePreset(bytes, plugin);
    } catch (const PresetError& error) {
        throw PresetError(path.string() + ": " + error.what());
    }
}

void writePresetFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    platform::PendingFile file(path);
    std::ofstream out(file.temporaryPath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw PresetError(path.string() + ": cannot be written (" +
                          std::make_error_code(std::errc::io_error).message() + ")");
    try {
        file.commit();
    } catch (const platform::FileWriteError& error) {
        throw PresetError(error.what());
    }
}

} // namespace presets
