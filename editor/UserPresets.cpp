#include "editor/UserPresets.h"

#include "dsp/APluginProgram.h"
#include "dsp/ParameterTable.h"
#include "dsp/ProductIdentity.h"
#include "platform/UserFolders.h"

#include <algorithm>
#include <system_error>

namespace tmx1 {

presets::PluginIdentity PresetIdentity() {
    return {kEffectName, kVstUniqueId, kVstVersion, kNumParams, kNumPrograms};
}

std::optional<std::filesystem::path> UserPresetFolder() {
    const std::optional<std::filesystem::path> data = platform::UserDataFolder();
    if (!data)
        return std::nullopt;
    return *data / kVendorName / kProductName / "Presets";
}

std::vector<std::filesystem::path> PresetFilesIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error))
        if (entry->path().extension() == ".fxp" && entry->is_regular_file(error))
            files.push_back(entry->path());
    // By name without the ending, so that "Warm" comes before "Warm 2".
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.stem() < b.stem(); });
    return files;
}

std::filesystem::path UnusedPresetPath(const std::filesystem::path& folder, const std::string& name) {
    std::filesystem::path path = folder / (name + ".fxp");
    std::error_code ignored; // a name that cannot be looked at is tried as free; the write says why not
    for (int n = 2; std::filesystem::exists(path, ignored); ++n)
        path = folder / (name + " " + std::to_string(n) + ".fxp");
    return path;
}

} // namespace tmx1
