// What the panel does: knobs, switches and release-type buttons turn gestures into parameter changes
// of the effect; values the effect reports come back through UpdateControls; the A/B compare with
// copy and recall; and the hotspots for the manual, the maker's site and the product information.
#include "editor/uEditor.h"

#include "editor/EffectLink.h"

#include "DIB/cDIB.h"
#include "DIB/cDIBDial.h"
#include "DIB/cDIBImage.h"
#include "generated/ProductVersion.h"
#include "platform/MachineSettings.h"
#include "platform/Shell.h"
#include "dsp/APluginProgram.h"
#include "dsp/ParameterDisplay.h"
#include "dsp/ParameterTable.h"
#include "toolkit/Label.h"

#include <string>
#include <utility>

namespace tmx1 {

using toolkit::TPersistent;

namespace {

constexpr std::uint8_t kLit = 255;
constexpr std::uint8_t kUnlit = 0;
constexpr int kNormalMax = 100;
constexpr int kFineMax = 1000;
// Longer values are refused: cutting them would open a different file.
constexpr std::size_t kMaxManualPath = 255;

// Position / Max, stored as a 32-bit float.
float knobValue(const dib::TDIBDial& knob) {
    return static_cast<float>(static_cast<long double>(knob.Position()) / knob.Max());
}

// Lights the button of the value's step and no other; a value between the steps goes to the nearer.
void lightSelector(const std::vector<dib::TDIBImage*>& buttons, float value) {
    for (dib::TDIBImage* button : buttons)
        button->SetOpacity(kUnlit);
    const auto steps = static_cast<std::int64_t>(buttons.size()) - 1;
    const std::int64_t selected = dib::Nearest(static_cast<long double>(steps) * value);
    if (selected >= 0 && selected <= steps)
        buttons[static_cast<std::size_t>(selected)]->SetOpacity(kLit);
}

} // namespace

const TPluginEditorWindow::ParameterView& TPluginEditorWindow::ControlsOf(std::int64_t index) const {
    static const ParameterView none;
    return index >= 0 && index < kNumParams ? parameterControls_[static_cast<std::size_t>(index)] : none;
}

void TPluginEditorWindow::SendParameter(int index, float value) {
    if (Plugin != nullptr)
        Plugin->SendParameter(index, value);
}

void TPluginEditorWindow::BeginEdit(int index) {
    if (Plugin != nullptr)
        Plugin->BeginEdit(index);
}

void TPluginEditorWindow::EndEdit(int index) {
    if (Plugin != nullptr)
        Plugin->EndEdit(index);
}

void TPluginEditorWindow::SendEdit(int index, float value) {
    BeginEdit(index);
    SendParameter(index, value);
    EndEdit(index);
}

// ---- refresh from the effect

void TPluginEditorWindow::UpdateControls() {
    auto& shown = ABValues[ABSlot];
    for (int i = 0; i < kEditorParams; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (shown[k] == ParamValues[k])
            continue; // unchanged: nothing is touched, so nothing repaints
        shown[k] = ParamValues[k];
        UpdateKnob(i, ParamValues[k]);
        UpdateEditBox(static_cast<std::uint16_t>(i), ParamValues[k]);
        UpdateButton(i);
    }
}

void TPluginEditorWindow::UpdateKnob(std::int32_t index, float value) {
    Updating = true; // the knob's change notice is ours, not the user's
    if (dib::TDIBDial* knob = ControlsOf(index).knob)
        knob->SetPosition(static_cast<std::int32_t>(dib::Nearest(static_cast<long double>(value) * knob->Max())));
    Updating = false;
}

void TPluginEditorWindow::UpdateEditBox(std::uint16_t index, float value) {
    toolkit::TLabel* label = ControlsOf(index).label;
    if (label == nullptr)
        return;
    switch (kParameterControls[index].labelText) {
    case LabelText::displayNumber:
        label->SetCaption(displayNumber(displayValue(index, value), decimalSeparator_));
        break;
    case LabelText::none:
        break;
    }
}

void TPluginEditorWindow::UpdateButton(std::int32_t index) {
    const ParameterView& controls = ControlsOf(index);
    if (controls.lamp == nullptr && controls.buttons.empty())
        return;
    const float shown = ABValues[ABSlot][static_cast<std::size_t>(index)];
    if (controls.lamp != nullptr)
        controls.lamp->SetOpacity(dib::Nearest(shown) != 0 ? kLit : kUnlit);
    else
        lightSelector(controls.buttons, shown);
}

// ---- gestures

void TPluginEditorWindow::KnobControlChange(TPersistent* Sender) {
    if (Updating)
        return;
    auto* knob = dynamic_cast<dib::TDIBDial*>(Sender);
    if (knob == nullptr || knob->Tag() < 0 || knob->Tag() >= kEditorParams)
        return;
    const int index = knob->Tag();
    const float value = knobValue(*knob);
    ABValues[ABSlot][static_cast<std::size_t>(index)] = value;
    UpdateEditBox(static_cast<std::uint16_t>(index), value);
    // Inside the held knob's edit; any other change of the knob is an edit of its own.
    if (index == grabbed_)
        SendParameter(index, value);
    else
        SendEdit(index, value);
    ParamValues[static_cast<std::size_t>(index)] = value;
}

void TPluginEditorWindow::ControlMouseDown(TPersistent* Sender, toolkit::TMouseButton Button,
                                           toolkit::TShiftState Shift, int, int) {
    auto* knob = dynamic_cast<dib::TDIBDial*>(Sender);
    if (knob == nullptr || knob->Tag() < 0 || knob->Tag() >= kNumParams)
        return;
    // The left button's press begins the knob's edit and its release ends it (the form captures the
    // mouse for that button only); the knob's auto-repeat presses again meanwhile.
    if (Button == toolkit::mbLeft && grabbed_ < 0) {
        grabbed_ = knob->Tag();
        BeginEdit(grabbed_);
    }
    if ((Shift & toolkit::ssAlt) != 0) {
        // Reset to the default; reported like a turn, since Updating is clear.
        const float defaultValue = kParameters[static_cast<std::size_t>(knob->Tag())].defaultValue;
        knob->SetPosition(
            static_cast<std::int32_t>(dib::Nearest(static_cast<long double>(knob->Max()) * defaultValue)));
    }
    const float value = knobValue(*knob);
    // Rescale without reporting: Max is raised before the position grows and lowered only after it has
    // shrunk, so the position never leaves the range and is never clamped.
    knob->SetEnabled(false);
    Updating = true;
    if ((Shift & toolkit::ssCtrl) != 0) {
        knob->SetMax(kFineMax);
        knob->SetPosition(static_cast<std::int32_t>(dib::Nearest(static_cast<long double>(value) * kFineMax)));
    } else {
        knob->SetPosition(static_cast<std::int32_t>(dib::Nearest(static_cast<long double>(value) * kNormalMax)));
        knob->SetMax(kNormalMax);
    }
    knob->SetEnabled(true);
    Updating = false;
}

void TPluginEditorWindow::ControlMouseUp(TPersistent* Sender, toolkit::TMouseButton Button, toolkit::TShiftState,
                                         int, int) {
    auto* knob = dynamic_cast<dib::TDIBDial*>(Sender);
    if (Button == toolkit::mbLeft && knob != nullptr && knob->Tag() == grabbed_)
        EndGesture();
}

void TPluginEditorWindow::EndGesture() {
    if (grabbed_ >= 0)
        EndEdit(std::exchange(grabbed_, -1));
}

void TPluginEditorWindow::SwitchClick(TPersistent* Sender) {
    auto* lamp = dynamic_cast<toolkit::TComponent*>(Sender);
    if (Plugin == nullptr || lamp == nullptr || lamp->Tag() < 0 || lamp->Tag() >= kEditorParams)
        return;
    const int index = lamp->Tag();
    const float shown = ABValues[ABSlot][static_cast<std::size_t>(index)];
    // The switch does not light itself: the effect's update comes back through UpdateControls.
    SendEdit(index, static_cast<float>(dib::Nearest(1.0L - shown)));
}

void TPluginEditorWindow::ReltypeClick(TPersistent* Sender) {
    auto* button = dynamic_cast<toolkit::TComponent*>(Sender);
    if (Plugin == nullptr || button == nullptr)
        return;
    const auto steps = static_cast<double>(kParameterControls[kReleaseType].buttons.size() - 1);
    SendEdit(kReleaseType, static_cast<float>(button->Tag() / steps));
}

void TPluginEditorWindow::ABSwitchClick(TPersistent*) {
    if (ABSwitch->Opacity() == kLit) {
        ABSwitch->SetOpacity(kUnlit);
        ABSlot = 0;
    } else {
        ABSwitch->SetOpacity(kLit);
        ABSlot = 1;
    }
    // The memory just left keeps what it showed; the one just entered goes out to the effect and is
    // marked stale, so the next update refreshes every control from what the effect took.
    auto& entered = ABValues[ABSlot];
    for (int i = 0; i < kEditorParams; ++i) {
        const auto k = static_cast<std::size_t>(i);
        ParamValues[k] = entered[k];
        entered[k] = kStaleValue;
        SendEdit(i, ParamValues[k]);
    }
}

void TPluginEditorWindow::CopySwitchClick(TPersistent*) { ABValues[1 - ABSlot] = ABValues[ABSlot]; }

void TPluginEditorWindow::RecallSwitchClick(TPersistent*) {
    const int program = ProgramIndex >= 0 && ProgramIndex < kNumPrograms ? ProgramIndex : 0;
    RecallValues(kFactoryPrograms[static_cast<std::size_t>(program)].values);
}

void TPluginEditorWindow::RecallValues(const std::array<float, kEditorParams>& values) {
    for (int i = 0; i < kEditorParams; ++i) {
        const auto k = static_cast<std::size_t>(i);
        ParamValues[k] = values[k];
        ABValues[ABSlot][k] = kStaleValue;
        SendEdit(i, ParamValues[k]);
    }
}

// ---- hotspots

void TPluginEditorWindow::UsersManualClick(TPersistent*) {
    const std::optional<std::string> manual = platform::ReadMachineString(kManualKeyPath, kManualValueName);
    if (!manual || manual->empty() || manual->size() > kMaxManualPath)
        return;
    platform::ShellOpen(Window() != nullptr ? Window()->Handle() : nullptr, *manual);
}

void TPluginEditorWindow::LogoClick(TPersistent*) {
    platform::ShellOpen(Window() != nullptr ? Window()->Handle() : nullptr, kMakerWebAddress);
}

void TPluginEditorWindow::AboutClick(TPersistent*) {
    if (Window() != nullptr)
        Window()->ShowInformation("TMX-1", ProductInformation() + kMakerWebAddress);
}

std::string ProductInformation() {
    return std::string("Tollimax | TMX-1 v") + kProductVersion + " by Brindlow Audio, ";
}

} // namespace tmx1
