#include "tools/tmx1-host/PluginLibrary.h"

namespace host {

namespace {

platform::SharedLibrary loadLibrary(const std::string& path) {
    try {
        return platform::SharedLibrary(path);
    } catch (const platform::LibraryError& error) {
        throw HostError(error.what());
    }
}

} // namespace

PluginLibrary::PluginLibrary(const std::string& path) : library(loadLibrary(path)) {
    void* found = library.symbol("VSTPluginMain");
    if (found == nullptr)
        found = library.symbol("main");
    if (found == nullptr)
        throw HostError(path + ": no VST 2.x entry (exports neither VSTPluginMain nor main)");
    entry_ = reinterpret_cast<vst::MainEntry>(found);
}

} // namespace host
