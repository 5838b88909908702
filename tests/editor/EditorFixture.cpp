#include "tests/editor/EditorFixture.h"

#include <algorithm>

namespace editortest {

namespace {

OpenEditor* recording = nullptr;

vst::IntPtr recordingHost(vst::AEffect*, vst::Int32 opcode, vst::Int32 index, vst::IntPtr value, void*,
                          float opt) {
    if (recording == nullptr)
        return opcode == vst::audioMasterVersion ? 2400 : 0;
    return recording->answerHost(opcode, index, value, opt);
}

} // namespace

vst::IntPtr OpenEditor::answerHost(vst::Int32 opcode, vst::Int32 index, vst::IntPtr value, float opt) {
    switch (opcode) {
    case vst::audioMasterVersion:
        return 2400;
    case vst::audioMasterAutomate:
        automated.push_back({index, opt});
        edits.push_back({opcode, index});
        return 0;
    case vst::audioMasterBeginEdit:
    case vst::audioMasterEndEdit:
        edits.push_back({opcode, index});
        return 0;
    case vst::audioMasterSizeWindow:
        sizeRequests.push_back({index, static_cast<int>(value)});
        return hostResizes ? 1 : 0;
    default:
        return 0;
    }
}

// Centre of a control on the screen (every control sits in the container at the origin): the first
// device pixel of the layout pixel at its centre.
std::pair<int, int> OpenEditor::centreOf(const toolkit::TControl& control) const {
    const toolkit::TZoom zoom = window().Zoom();
    return {zoom.Device(control.Left() + control.Width() / 2), zoom.Device(control.Top() + control.Height() / 2)};
}

void OpenEditor::SetUp() {
    recording = this;
    plugin = std::make_unique<tmx1::APlugin>(recordingHost);
    plugin->setSampleRate(44100.0f);
    dispatch(vst::effMainsChanged, 0, 1);
}

void OpenEditor::TearDown() {
    plugin.reset();
    recording = nullptr;
}

void OpenEditor::openEditor() { ASSERT_EQ(host::openEditorOnScreen(*plugin->getAeffect(), screen), 1); }

tmx1::TPluginEditorWindow& OpenEditor::window() const {
    auto* bridge = static_cast<tmx1::APluginEditor*>(plugin->getEditor());
    tmx1::TPluginEditorWindow* window = bridge->editorWindow();
    if (window == nullptr)
        throw std::runtime_error("the editor is not open");
    return *window;
}

void OpenEditor::dragKnob(const dib::TDIBDial& knob, int pixels, unsigned modifiers) {
    // pixels are the layout's: at a zoom the mouse goes as many device pixels as they cover.
    const toolkit::TZoom zoom = window().Zoom();
    const int layoutY = knob.Top() + knob.Height() / 2;
    const auto [x, y] = centreOf(knob);
    const int to = zoom.Device(layoutY - pixels);
    screenWindow().Press(x, y, platform::MouseButton::Left, modifiers);
    screenWindow().Move(x, to, modifiers);
    screenWindow().Release(x, to, platform::MouseButton::Left, modifiers);
}

void OpenEditor::click(const toolkit::TControl& control, unsigned modifiers) {
    const auto [x, y] = centreOf(control);
    screenWindow().Press(x, y, platform::MouseButton::Left, modifiers);
    screenWindow().Release(x, y, platform::MouseButton::Left, modifiers);
}

void OpenEditor::process(float level, int frames) {
    std::vector<float> left(static_cast<std::size_t>(frames)), right(left.size());
    for (std::size_t i = 0; i < left.size(); ++i)
        left[i] = right[i] = (i % 2 == 0) ? level : -level;
    std::vector<float> outLeft(left.size()), outRight(left.size());
    float* inputs[2] = {left.data(), right.data()};
    float* outputs[2] = {outLeft.data(), outRight.data()};
    plugin->processReplacing(inputs, outputs, frames);
}

} // namespace editortest
