#include "tests/support/VstKnobDrag.h"

#include "DIB/cDIBDial.h"
#include "editor/uEditor.h"
#include "platform/headless/Screen.h"
#include "plugin/APlugin.h"
#include "plugin/APluginEditor.h"
#include "tools/tmx1-host/EditorOnScreen.h"

#include <stdexcept>

namespace testing_support {

namespace {

vst::IntPtr quietHost(vst::AEffect*, vst::Int32 opcode, vst::Int32, vst::IntPtr, void*, float) {
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

} // namespace

KnobDrag thresholdDragInVstEditor(int pixels) {
    tmx1::APlugin effect(quietHost);
    platform::headless::Screen screen;
    if (host::openEditorOnScreen(*effect.getAeffect(), screen) != 1)
        throw std::runtime_error("the VST editor does not open on the headless screen");
    effect.dispatcher(vst::effEditIdle, 0, 0, nullptr, 0.0f); // the knobs take the effect's values
    const dib::TDIBDial& knob =
        *static_cast<tmx1::APluginEditor*>(effect.getEditor())->editorWindow()->ThresholdControl;
    const int x = knob.Left() + knob.Width() / 2;
    const int y = knob.Top() + knob.Height() / 2;
    screen.LastWindow().Press(x, y);
    screen.LastWindow().Move(x, y + pixels);
    screen.LastWindow().Release(x, y + pixels);
    return {x, y, effect.getParameter(tmx1::kThreshold)};
}

} // namespace testing_support
