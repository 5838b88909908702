#include "clap/ClapFactory.h"

#include "clap/ClapPlugin.h"
#include "dsp/ProductIdentity.h"
#include "generated/ProductVersion.h"

#include <cstring>

namespace tmx1::clapfactory {

namespace {

constexpr const char* kFeatures[] = {"audio-effect", "limiter", "compressor", "stereo", nullptr};

constexpr clap::clap_plugin_descriptor kDescriptor{clap::kVersion,
                                                   kPluginId,
                                                   kEffectName,
                                                   kVendorName,
                                                   "",
                                                   "",
                                                   "",
                                                   kProductVersion,
                                                   "Tollimax: a stereo peak compressor and limiter",
                                                   kFeatures};

std::uint32_t pluginCount(const clap::clap_plugin_factory*) { return 1; }

const clap::clap_plugin_descriptor* descriptor(const clap::clap_plugin_factory*, std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}

const clap::clap_plugin* createPlugin(const clap::clap_plugin_factory*, const clap::clap_host* host,
                                      const char* id) {
    if (host == nullptr || id == nullptr || std::strcmp(id, kPluginId) != 0 ||
        !clap::isCompatible(host->clap_version))
        return nullptr;
    try {
        return (new ClapPlugin(host, &kDescriptor))->record();
    } catch (...) {
        return nullptr;
    }
}

constexpr clap::clap_plugin_factory kFactory{pluginCount, descriptor, createPlugin};

} // namespace

// Nothing is shared between instances that needs making or freeing.
bool initLibrary(const char*) { return true; }
void deinitLibrary() {}

const void* factory(const char* id) {
    return id != nullptr && std::strcmp(id, clap::kPluginFactoryId) == 0 ? &kFactory : nullptr;
}

} // namespace tmx1::clapfactory
