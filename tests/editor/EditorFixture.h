// The editor opened through the effect's dispatcher on a headless screen, with the effect linked in so
// that the tests can see the window's fields; host requests are recorded.
#pragma once

#include "DIB/cDIBDial.h"
#include "DIB/cDIBImage.h"
#include "editor/uEditor.h"
#include "platform/headless/Screen.h"
#include "plugin/APlugin.h"
#include "plugin/APluginEditor.h"
#include "toolkit/Image.h"
#include "toolkit/Label.h"
#include "tools/tmx1-host/EditorOnScreen.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace editortest {

struct Automated {
    int index;
    float value;
    bool operator==(const Automated&) const = default;
};

class OpenEditor : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    vst::IntPtr dispatch(vst::Int32 opcode, vst::Int32 index = 0, vst::IntPtr value = 0, void* ptr = nullptr) {
        return plugin->dispatcher(opcode, index, value, ptr, 0.0f);
    }
    void openEditor();
    void idle() { dispatch(vst::effEditIdle); }
    tmx1::TPluginEditorWindow& window() const;
    platform::headless::HeadlessWindow& screenWindow() const { return screen.LastWindow(); }

  public:
    // The host's answers: automation and resize requests are recorded.
    vst::IntPtr answerHost(vst::Int32 opcode, vst::Int32 index, vst::IntPtr value, float opt);

  protected:
    // A control's centre on the screen, at the window's zoom.
    std::pair<int, int> centreOf(const toolkit::TControl& control) const;
    // A drag of a knob: press at its centre, move up by `pixels` of the layout, release.
    void dragKnob(const dib::TDIBDial& knob, int pixels, unsigned modifiers = 0);
    // A click at the centre of a control.
    void click(const toolkit::TControl& control, unsigned modifiers = 0);
    // Stereo audio through processReplacing, so that the meters move.
    void process(float level, int frames);

    platform::headless::Screen screen;
    std::unique_ptr<tmx1::APlugin> plugin;
    std::vector<Automated> automated; // audioMasterAutomate calls, in order
    // audioMasterBeginEdit, audioMasterAutomate and audioMasterEndEdit calls in order: opcode, index
    std::vector<std::pair<vst::Int32, int>> edits;
    std::vector<std::pair<int, int>> sizeRequests; // audioMasterSizeWindow calls: width, height
    bool hostResizes = true;                       // the answer to them
};

} // namespace editortest
