// The editor panel: a 570 × 265 front plate (in layout pixels; shown at 100, 150 or 200 %) built from the layout stream, whose knobs, switches
// and release-type buttons turn gestures into parameter changes of the effect, which shows what the
// effect reports back, keeps the A/B compare memories and drives the meters. Everything here runs on
// the host's editor thread; values arrive only through the panel session's copies.
#pragma once

#include "editor/PanelControls.h"
#include "toolkit/Form.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace toolkit {
class TImage;
class TLabel;
class TMethodTable;
} // namespace toolkit

namespace dib {
class TDIBContainer;
class TDIBDial;
class TDIBImage;
class TDIBImageList;
} // namespace dib

namespace tmx1 {

class EffectLink;
class TPanelMenu;

inline constexpr int kEditorParams = kNumParams;
inline constexpr float kStaleValue = 2.0f; // no parameter takes it: the entry must be refreshed

// Where the manual is found, and where the maker lives.
inline constexpr const char* kManualKeyPath = "\\Software\\Brindlow Audio\\TMX-1";
inline constexpr const char* kManualValueName = "Manual";
inline constexpr const char* kMakerWebAddress = "https://brindlow-audio.example/tmx-1";
// Where the user's own settings (the zoom) are kept.
inline constexpr const char* kSettingsKeyPath = kManualKeyPath;
inline constexpr const char* kZoomValueName = "Zoom";
// What the information box says, before the maker's address.
std::string ProductInformation();

class TPluginEditorWindow : public toolkit::TForm {
  public:
    // Builds the panel from the layout stream and raises OnCreate. Throws if the stream is unreadable.
    explicit TPluginEditorWindow(toolkit::TComponent* owner);
    ~TPluginEditorWindow() override;

    std::string_view ClassName() const override { return "TPluginEditorWindow"; }
    const toolkit::TMethodTable* MethodTable() const override;

    // --- written by the panel session
    EffectLink* Plugin = nullptr; // where the user's edits go
    std::array<float, kEditorParams> ParamValues{};
    std::int32_t ProgramIndex = 0;
    std::array<float, 4> MeterLevels{}; // In L, In R, Out L, Out R: linear peaks
    std::array<float, 2> MeterGains{};  // Comp L, Comp R: linear gains, 1.0 = no reduction

    // --- the window's own state
    std::array<std::array<float, kEditorParams>, 2> ABValues{}; // row 0 memory A, row 1 memory B
    std::uint8_t ABSlot = 0;
    bool Updating = false;
    std::array<float, 4> PeakHolds{};        // dB
    std::array<float, 2> GainHolds{};        // dB, a reduction is negative
    std::array<std::int16_t, 4> LevelHeights{}; // lit pixels of the level bars, 0..120
    std::array<std::int16_t, 2> GainHeights{};  // signed pixels of the gain bars, -120..
    std::int16_t GainScale = 2;

    // --- components, found by name once the layout is read
    dib::TDIBContainer* DIBContainer1 = nullptr;
    dib::TDIBImage* Baggrund = nullptr;
    toolkit::TLabel* ThresholdLabel = nullptr;
    toolkit::TLabel* ReleaseLabel = nullptr;
    toolkit::TLabel* KneeLabel = nullptr;
    toolkit::TLabel* OutputGainLabel = nullptr;
    dib::TDIBDial* ThresholdControl = nullptr;
    dib::TDIBDial* ReleaseControl = nullptr;
    dib::TDIBDial* KneeControl = nullptr;
    dib::TDIBDial* OutputGainControl = nullptr;
    toolkit::TImage* About = nullptr;
    toolkit::TImage* UsersManual = nullptr;
    toolkit::TImage* Logo = nullptr;
    toolkit::TImage* Meter_In_L = nullptr;
    toolkit::TImage* Meter_In_R = nullptr;
    toolkit::TImage* Meter_Out_L = nullptr;
    toolkit::TImage* Meter_Out_R = nullptr;
    toolkit::TImage* Meter_CP_L = nullptr;
    toolkit::TImage* Meter_CP_R = nullptr;
    toolkit::TLabel* InMeterLabel = nullptr;
    toolkit::TLabel* CompMeterLabel = nullptr;
    toolkit::TLabel* OutMeterLabel = nullptr;
    dib::TDIBImage* PDRswitch = nullptr;
    dib::TDIBImage* AutoGainSwitch = nullptr;
    dib::TDIBImage* BrickWallSwitch = nullptr;
    dib::TDIBImage* StereoLinkSwitch = nullptr;
    dib::TDIBImage* TruePeakSwitch = nullptr;
    dib::TDIBImage* ABSwitch = nullptr;
    dib::TDIBImage* CopySwitch = nullptr;
    dib::TDIBImage* RecallSwitch = nullptr;
    dib::TDIBImage* OC_LED = nullptr;
    dib::TDIBImage* RelType0 = nullptr;
    dib::TDIBImage* RelType1 = nullptr;
    dib::TDIBImage* RelType2 = nullptr;
    dib::TDIBImage* RelType3 = nullptr;
    dib::TDIBImage* Reltype4 = nullptr;
    dib::TDIBImageList* DIBImageList1 = nullptr;

    // --- zoom
    // Shows the panel at percent (one of kZoomSteps) from the next time its window is made. Throws
    // std::invalid_argument for another value.
    void SetPanelZoom(int percent);
    // A zoom the user chose that the host could not give the window yet: the menu says it waits for
    // the next opening. 0 for none.
    int PendingZoom() const { return pendingZoom_; }
    void SetPendingZoom(int percent) { pendingZoom_ = percent; }
    TPanelMenu& PanelMenu() const { return *panelMenu_; }
    // Raised when the user chooses a zoom in the menu; the session applies it after the idle that
    // delivered the click.
    std::function<void(int percent)> OnZoomChosen;

    // --- presets (editor/UserPresets.h)
    // Saves the values shown as a program file in the user's preset folder, named after the current
    // program; says in an information box where it went, or why it did not.
    void SavePreset();
    // Sends the program file's values to the effect as the recall button sends a program's; a file that
    // is not a program of TMX-1 is refused in an information box and changes nothing.
    void LoadPreset(const std::filesystem::path& path);

    // --- refresh from the effect
    void UpdateControls();
    void UpdateKnob(std::int32_t index, float value);
    void UpdateEditBox(std::uint16_t index, float value);
    void UpdateButton(std::int32_t index);
    void UpdateMeter();
    // Lights the over-compression lamp while the effect reports it latched; a steady state repaints
    // nothing.
    void ShowOverCompression(bool latched);

    // --- event handlers, bound by name from the layout
    void FormCreate(toolkit::TPersistent* Sender);
    void FormPaint(toolkit::TPersistent* Sender);
    void KnobControlChange(toolkit::TPersistent* Sender);
    void ControlMouseDown(toolkit::TPersistent* Sender, toolkit::TMouseButton Button, toolkit::TShiftState Shift,
                          int X, int Y);
    void ControlMouseUp(toolkit::TPersistent* Sender, toolkit::TMouseButton Button, toolkit::TShiftState Shift,
                        int X, int Y);
    void SwitchClick(toolkit::TPersistent* Sender);
    void ReltypeClick(toolkit::TPersistent* Sender);
    void ABSwitchClick(toolkit::TPersistent* Sender);
    void CopySwitchClick(toolkit::TPersistent* Sender);
    void RecallSwitchClick(toolkit::TPersistent* Sender);
    void MeterLabelClick(toolkit::TPersistent* Sender);
    void UsersManualClick(toolkit::TPersistent* Sender);
    void LogoClick(toolkit::TPersistent* Sender);
    void AboutClick(toolkit::TPersistent* Sender);

    // Ends the edit of a knob the user holds, as its release would: the window is about to go, and the
    // release would never come.
    void EndGesture();

    // platform::WindowListener: the zoom menu comes before the controls.
    void WindowMouse(const platform::MouseEvent& event) override;

  private:
    // The controls of one parameter, found through kParameterControls; null where it has none.
    struct ParameterView {
        dib::TDIBDial* knob = nullptr;
        toolkit::TLabel* label = nullptr;
        dib::TDIBImage* lamp = nullptr;
        std::vector<dib::TDIBImage*> buttons; // the selector's, by value step
    };
    // The controls of one pair of meters, found through kMeterGroups.
    struct MeterView {
        std::array<toolkit::TImage*, 2> bars{};
        toolkit::TLabel* label = nullptr;
    };

    void ReadLayout();
    void FindComponents();
    void FindTableControls();
    template <class T> T* Find(const char* name) const;

    // The controls of parameter index; an index outside 0..9 has none.
    const ParameterView& ControlsOf(std::int64_t index) const;
    void SendParameter(int index, float value);
    void BeginEdit(int index);
    void EndEdit(int index);
    // One whole edit: begin, the value, end.
    void SendEdit(int index, float value);

    // Opens the menu at (x, y) of the layout with the zoom steps and the user's presets.
    void OpenMenu(int x, int y);
    // Sends every value as one edit each, and forgets the A/B memory of the slot in use.
    void RecallValues(const std::array<float, kEditorParams>& values);
    void Tell(const std::string& text);

    void LoadZoomedArtwork(int percent);
    void ZoomChosen(int percent);

    void UpdateLevelBar(int index, toolkit::TImage& cover);
    void UpdateGainBar(int index, toolkit::TImage& bar);
    void ShowHolds(toolkit::TLabel& label, float left, float right) const;

    std::array<ParameterView, kNumParams> parameterControls_;
    std::array<MeterView, kMeterGroups.size()> meters_;
    std::unique_ptr<toolkit::TMethodTable> methods_;
    char decimalSeparator_ = '.';
    TPanelMenu* panelMenu_ = nullptr; // owned by the form
    int pendingZoom_ = 0;
    std::vector<std::filesystem::path> presetFiles_; // as the open menu lists them
    int grabbed_ = -1;            // the parameter of the knob held down with the left button; -1 for none
    std::set<int> zoomedArtwork_; // the zooms whose pictures are loaded
};

// The zoom a panel opens at in parent: the user's remembered choice (or the one made in this instance,
// thisInstance, 0 for none), else the host's scale (0 when it said none), else the desktop's, else 100.
int PanelZoomFor(const platform::ParentWindow& parent, int thisInstance, double hostScale);
// Keeps the user's choice for every panel opened from now on; false when it could not be stored.
bool RememberPanelZoom(int percent);

// The text of a meter label: the left hold right-aligned in five characters, a space, the right hold.
std::string MeterHoldCaption(float left, float right, char decimalSeparator);

} // namespace tmx1
