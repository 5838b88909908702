#include "editor/uEditor.h"

#include "DIB/cDIBDial.h"
#include "DIB/cDIBImage.h"
#include "DIB/cDIBImageList.h"
#include "DIB/cDIBPanel.h"
#include "editor/EditorLayout.h"
#include "editor/PanelMenu.h"
#include "platform/Locale.h"
#include "dsp/APluginProgram.h"
#include "toolkit/ClassRegistry.h"
#include "toolkit/FormReader.h"
#include "toolkit/Image.h"
#include "toolkit/Label.h"
#include "toolkit/MethodTable.h"
#include "toolkit/StandardControls.h"

#include <stdexcept>
#include <string>

namespace tmx1 {

using toolkit::TPersistent;

TPluginEditorWindow::TPluginEditorWindow(toolkit::TComponent* owner)
    : TForm(owner), methods_(std::make_unique<toolkit::TMethodTable>()) {
    using Notify = void(TPersistent*);
    const auto bind = [this](const char* name, void (TPluginEditorWindow::*handler)(TPersistent*)) {
        methods_->Add<Notify>(name, [this, handler](TPersistent* sender) { (this->*handler)(sender); });
    };
    bind("FormCreate", &TPluginEditorWindow::FormCreate);
    bind("FormPaint", &TPluginEditorWindow::FormPaint);
    bind("KnobControlChange", &TPluginEditorWindow::KnobControlChange);
    bind("SwitchClick", &TPluginEditorWindow::SwitchClick);
    bind("ReltypeClick", &TPluginEditorWindow::ReltypeClick);
    bind("ABSwitchClick", &TPluginEditorWindow::ABSwitchClick);
    bind("CopySwitchClick", &TPluginEditorWindow::CopySwitchClick);
    bind("RecallSwitchClick", &TPluginEditorWindow::RecallSwitchClick);
    bind("MeterLabelClick", &TPluginEditorWindow::MeterLabelClick);
    bind("UsersManualClick", &TPluginEditorWindow::UsersManualClick);
    bind("LogoClick", &TPluginEditorWindow::LogoClick);
    bind("AboutClick", &TPluginEditorWindow::AboutClick);
    methods_->Add<void(TPersistent*, toolkit::TMouseButton, toolkit::TShiftState, int, int)>(
        "ControlMouseDown",
        [this](TPersistent* sender, toolkit::TMouseButton button, toolkit::TShiftState shift, int x, int y) {
            ControlMouseDown(sender, button, shift, x, y);
        });
    methods_->Add<void(TPersistent*, toolkit::TMouseButton, toolkit::TShiftState, int, int)>(
        "ControlMouseUp",
        [this](TPersistent* sender, toolkit::TMouseButton button, toolkit::TShiftState shift, int x, int y) {
            ControlMouseUp(sender, button, shift, x, y);
        });

    ReadLayout();
    FindComponents();
    // Over every control of the panel: the container paints its children in order.
    panelMenu_ = new TPanelMenu(this);
    panelMenu_->SetParent(DIBContainer1);
    panelMenu_->OnChoose = [this](int percent) { ZoomChosen(percent); };
    panelMenu_->OnSavePreset = [this] { SavePreset(); };
    panelMenu_->OnLoadPreset = [this](int index) { LoadPreset(presetFiles_[static_cast<std::size_t>(index)]); };
    if (OnCreate)
        OnCreate(this);
}

TPluginEditorWindow::~TPluginEditorWindow() = default;

const toolkit::TMethodTable* TPluginEditorWindow::MethodTable() const { return methods_.get(); }

void TPluginEditorWindow::ReadLayout() {
    toolkit::TClassRegistry classes;
    toolkit::RegisterStandardControls(classes);
    dib::RegisterDIBContainerClasses(classes);
    dib::RegisterDIBDialClasses(classes);
    dib::RegisterDIBImageClasses(classes);
    dib::RegisterDIBImageListClasses(classes);
    toolkit::TReader(EditorLayoutStream(), classes).ReadRootComponent(*this);
}

template <class T> T* TPluginEditorWindow::Find(const char* name) const {
    T* component = dynamic_cast<T*>(FindComponent(name));
    if (component == nullptr)
        throw std::runtime_error(std::string("The editor layout has no component ") + name + " of its class");
    return component;
}

void TPluginEditorWindow::FindComponents() {
    DIBContainer1 = Find<dib::TDIBContainer>("DIBContainer1");
    Baggrund = Find<dib::TDIBImage>("Baggrund");
    ThresholdLabel = Find<toolkit::TLabel>("ThresholdLabel");
    ReleaseLabel = Find<toolkit::TLabel>("ReleaseLabel");
    KneeLabel = Find<toolkit::TLabel>("KneeLabel");
    OutputGainLabel = Find<toolkit::TLabel>("OutputGainLabel");
    ThresholdControl = Find<dib::TDIBDial>("ThresholdControl");
    ReleaseControl = Find<dib::TDIBDial>("ReleaseControl");
    KneeControl = Find<dib::TDIBDial>("KneeControl");
    OutputGainControl = Find<dib::TDIBDial>("OutputGainControl");
    About = Find<toolkit::TImage>("About");
    UsersManual = Find<toolkit::TImage>("UsersManual");
    Logo = Find<toolkit::TImage>("Logo");
    Meter_In_L = Find<toolkit::TImage>("Meter_In_L");
    Meter_In_R = Find<toolkit::TImage>("Meter_In_R");
    Meter_Out_L = Find<toolkit::TImage>("Meter_Out_L");
    Meter_Out_R = Find<toolkit::TImage>("Meter_Out_R");
    Meter_CP_L = Find<toolkit::TImage>("Meter_CP_L");
    Meter_CP_R = Find<toolkit::TImage>("Meter_CP_R");
    InMeterLabel = Find<toolkit::TLabel>("InMeterLabel");
    CompMeterLabel = Find<toolkit::TLabel>("CompMeterLabel");
    OutMeterLabel = Find<toolkit::TLabel>("OutMeterLabel");
    PDRswitch = Find<dib::TDIBImage>("PDRswitch");
    AutoGainSwitch = Find<dib::TDIBImage>("AutoGainSwitch");
    BrickWallSwitch = Find<dib::TDIBImage>("BrickWallSwitch");
    StereoLinkSwitch = Find<dib::TDIBImage>("StereoLinkSwitch");
    TruePeakSwitch = Find<dib::TDIBImage>("TruePeakSwitch");
    ABSwitch = Find<dib::TDIBImage>("ABSwitch");
    CopySwitch = Find<dib::TDIBImage>("CopySwitch");
    RecallSwitch = Find<dib::TDIBImage>("RecallSwitch");
    OC_LED = Find<dib::TDIBImage>("OC_LED");
    RelType0 = Find<dib::TDIBImage>("RelType0");
    RelType1 = Find<dib::TDIBImage>("RelType1");
    RelType2 = Find<dib::TDIBImage>("RelType2");
    RelType3 = Find<dib::TDIBImage>("RelType3");
    Reltype4 = Find<dib::TDIBImage>("Reltype4");
    DIBImageList1 = Find<dib::TDIBImageList>("DIBImageList1");
    FindTableControls();
}

// The behaviour and the meters reach their controls through the tables of editor/PanelControls.h.
void TPluginEditorWindow::FindTableControls() {
    for (std::size_t i = 0; i < kParameterControls.size(); ++i) {
        const ParameterControl& entry = kParameterControls[i];
        ParameterView& view = parameterControls_[i];
        if (entry.kind == ControlKind::knob)
            view.knob = Find<dib::TDIBDial>(entry.control);
        if (entry.kind == ControlKind::lamp)
            view.lamp = Find<dib::TDIBImage>(entry.control);
        if (entry.valueLabel != nullptr)
            view.label = Find<toolkit::TLabel>(entry.valueLabel);
        for (const char* button : entry.buttons)
            view.buttons.push_back(Find<dib::TDIBImage>(button));
    }
    for (std::size_t g = 0; g < kMeterGroups.size(); ++g) {
        meters_[g].bars = {Find<toolkit::TImage>(kMeterGroups[g].bars[0]),
                           Find<toolkit::TImage>(kMeterGroups[g].bars[1])};
        meters_[g].label = Find<toolkit::TLabel>(kMeterGroups[g].holdLabel);
    }
}

void TPluginEditorWindow::FormCreate(TPersistent*) {
    ABSlot = 0;
    ABValues[0].fill(kStaleValue); // every control is refreshed by the first update
    ABValues[1] = kFactoryPrograms[0].values;
    Updating = false;
    decimalSeparator_ = platform::userDecimalSeparator();

    MeterLevels.fill(1e-20f);
    MeterGains.fill(1.0f);
    PeakHolds.fill(-100.0f);
    GainHolds.fill(0.0f);
    LevelHeights.fill(0);
    GainHeights.fill(0);
    GainScale = kGainPixelsPerDb / 2; // the gain bars have 2 × GainScale pixels per dB
}

void TPluginEditorWindow::FormPaint(TPersistent*) {
    // The container composes the whole panel in its own image, so a paint of the form is a paint of it.
    DIBContainer1->PaintWindow({0, 0, DIBContainer1->Width(), DIBContainer1->Height()});
}

} // namespace tmx1
