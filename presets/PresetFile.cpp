#include "presets/PresetFile.h"

#include "presets/PresetCodec.h"

#include <fstream>
#include <random>
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

// Hidden and unique beside the final name, so that nobody takes it for a finished preset.
std::filesystem::path partialNameFor(const std::filesystem::path& path) {
    std::random_device entropy;
    return path.parent_path() / ("." + path.filename().string() + ".partial-" + std::to_string(entropy()));
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
    const std::filesystem::path partial = partialNameFor(path);
    std::error_code error;
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out)
            error = std::make_error_code(std::errc::io_error);
    }
    if (!error)
        std::filesystem::rename(partial, path, error);
    if (error) {
        std::error_code ignored; // it may not even have been created
        std::filesystem::remove(partial, ignored);
        throw PresetError(path.string() + ": cannot be written (" + error.message() + ")");
    }
}

} // namespace presets
