// The preset files a user keeps for TMX-1: one folder per user, ".fxp" programs as VST 2 hosts
// exchange them, so that a file saved from the panel opens in a DAW, tmx1-host and the other way round.
#pragma once

#include "presets/Preset.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tmx1 {

// TMX-1 as its preset files name it: the VST 2 ID and version, ten parameters, ten programs.
presets::PluginIdentity PresetIdentity();

// "Brindlow Audio/TMX-1/Presets" in the user's data folder (platform/UserFolders.h); nothing when the
// system cannot tell where that is.
std::optional<std::filesystem::path> UserPresetFolder();

// The ".fxp" files in `folder`, sorted by name (without the ending); none when the folder is missing or unreadable.
std::vector<std::filesystem::path> PresetFilesIn(const std::filesystem::path& folder);

// A name in `folder` no file has yet: "NAME.fxp", else "NAME 2.fxp", "NAME 3.fxp", ...
std::filesystem::path UnusedPresetPath(const std::filesystem::path& folder, const std::string& name);

} // namespace tmx1
