// The library's exported entry. Hosts look up either VSTPluginMain or main; both create a
// new, independent effect and answer its record.
#include "platform/PluginModule.h"
#include "plugin/APlugin.h"

namespace {

vst::AEffect* createEffect(vst::AudioMasterCallback audioMaster) {
    if (audioMaster == nullptr)
        return nullptr;
    try {
        if (audioMaster(nullptr, vst::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
            return nullptr; // no usable host
        auto* effect = new tmx1::APlugin(audioMaster);
        return effect->getAeffect();
    } catch (...) {
        return nullptr;
    }
}

} // namespace

extern "C" {

TMX1_ENTRY vst::AEffect* VSTPluginMain(vst::AudioMasterCallback audioMaster) { return createEffect(audioMaster); }

// C++ reserves the name main, so the second export gets it through its assembler name.
TMX1_ENTRY vst::AEffect* tmx1LegacyMain(vst::AudioMasterCallback audioMaster) __asm__("main");
vst::AEffect* tmx1LegacyMain(vst::AudioMasterCallback audioMaster) { return createEffect(audioMaster); }
}
