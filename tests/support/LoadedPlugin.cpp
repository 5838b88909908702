#include "tests/support/LoadedPlugin.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace testing_support {
namespace {

// The environment may point the tests at another copy of the plug-in, such as the one an installer
// put in place; otherwise they load the one the build made.
std::string pluginPath() {
    const char* chosen = std::getenv("TMX1_PLUGIN_PATH");
    return chosen != nullptr && *chosen != '\0' ? std::string(chosen) : std::string(TMX1_PLUGIN_PATH);
}

} // namespace

std::shared_ptr<const host::PluginLibrary> tmx1Library() {
    static const auto library = std::make_shared<const host::PluginLibrary>(pluginPath());
    return library;
}

void LoadedPlugin::processOneBlock(int frames) {
    // A host may announce zero or fewer frames; the buffers still exist.
    const auto size = static_cast<std::size_t>(std::max(frames, 1));
    std::vector<float> left(size), right(size);
    float* channels[2] = {left.data(), right.data()};
    plugin->processReplacing(channels, channels, frames);
}

} // namespace testing_support
