// Preset files on disk: read whole and decoded before anything is applied, written beside their
// final name and renamed into place once complete.
#pragma once

#include "presets/Preset.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace presets {

// Larger than any bank of parameter lists a plug-in could sensibly have.
inline constexpr std::uintmax_t kLargestPresetFile = 1 << 20;

// Throws PresetError, naming the file, when it cannot be read, is larger than kLargestPresetFile or
// does not hold a preset of the plug-in (see decodePreset).
Preset readPresetFile(const std::filesystem::path& path, const PluginIdentity& plugin);

// Writes the bytes to `path`, replacing a file there only once they are all written; throws
// PresetError, naming the file, when that fails, leaving whatever was at `path` as it was.
void writePresetFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

} // namespace presets
