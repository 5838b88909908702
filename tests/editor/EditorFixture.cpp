#include "tests/editor/EditorFixture.h"

#include <algorithm>

namespace editortest {

namespace {

std::vector<Automated>* recording = nullptr;

vst::IntPtr recordingHost(vst::AEffect*, vst::Int32 opcode, vst::Int32 index, vst::IntPtr, void*, float opt) {
    if (opcode == vst::audioMasterAutomate && recording != nullptr)
        recording->push_back({index, opt});
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

// Centre of a control in window coordinates (every control sits in the container at the origin).
std::pair<int, int> centreOf(const toolkit::TControl& control) {
    return {control.Left() + control.Width() / 2, control.Top() + control.Height() / 2};
}

} // namespace

void OpenEditor::SetUp() {
    recording = &automated;
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
    const auto [x, y] = centreOf(knob);
    screenWindow().Press(x, y, platform::MouseButton::Left, modifiers);
    screenWindow().Move(x, y - pixels, modifiers);
    screenWindow().Release(x, y - pixels, platform::MouseButton::Left, modifiers);
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
