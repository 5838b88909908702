#include "tools/tmx1-host/EditorOnScreen.h"

#include "plugin/VendorRequests.h"

namespace host {

vst::IntPtr openEditorOnScreen(vst::AEffect& effect, platform::headless::Screen& screen) {
    if (effect.dispatcher(&effect, vst::effVendorSpecific, tmx1::kMakerCode, tmx1::kHeadlessScreenRequest,
                          &screen, 0.0f) != 1)
        return 0;
    return effect.dispatcher(&effect, vst::effEditOpen, 0, 0, nullptr, 0.0f);
}

bool requestEditorZoom(vst::AEffect& effect, int percent) {
    return effect.dispatcher(&effect, vst::effVendorSpecific, tmx1::kMakerCode, tmx1::kEditorZoomRequest, nullptr,
                             static_cast<float>(percent)) == 1;
}

} // namespace host
