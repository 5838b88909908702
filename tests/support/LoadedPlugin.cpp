#include "tests/support/LoadedPlugin.h"

#include <algorithm>
#include <vector>

namespace testing_support {

std::shared_ptr<const host::PluginLibrary> tmx1Library() {
    static const auto library = std::make_shared<const host::PluginLibrary>(TMX1_PLUGIN_PATH);
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
