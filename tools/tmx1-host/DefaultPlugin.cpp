#include "tools/tmx1-host/DefaultPlugin.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace host {

std::string defaultPluginPath(const std::string& built) {
    std::vector<std::filesystem::path> candidates{built};
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        candidates.push_back(std::filesystem::path(home) / ".vst/TMX-1.so");
    candidates.emplace_back("/usr/local/lib/vst/TMX-1.so");
    candidates.emplace_back("/usr/lib/vst/TMX-1.so");
    std::error_code error;
    for (const std::filesystem::path& candidate : candidates)
        if (std::filesystem::is_regular_file(candidate, error))
            return candidate.string();
    return candidates.front().string();
}

} // namespace host
