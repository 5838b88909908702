// The editor panel as an LV2 user interface: the same panel session the VST bridge runs, driven by the
// host through its ports alone. Edits are written to the parameter ports; the host's port events bring
// the parameters, the meters and the over-compression state back, and the panel shows them at its next
// idle. The peak holds, the A/B memories and the zoom live here, in the panel. Everything runs on the
// host's UI thread.
#pragma once

#include "editor/PanelSession.h"
#include "platform/Window.h"

#include <array>
#include <functional>

namespace tmx1 {

class TPluginEditorWindow;

namespace lv2 {

// What the host gives the panel, as plain functions: the LV2 entry wraps its features in these.
struct PanelUiHost {
    // Writes a control port's new value (ui:portNotification's other direction).
    std::function<void(int port, float value)> writePort;
    // Asks the host to give the panel's window a new size; false when it cannot (ui:resize).
    std::function<bool(int width, int height)> resize;
    // Tells the host that the user grabs (true) or lets go of (false) a control port (ui:touch); empty
    // when the host offers none.
    std::function<void(int port, bool grabbed)> touch;
    platform::ParentWindow parent = platform::ParentWindow::Native(nullptr);
    double hostScale = 0.0; // ui:scaleFactor, 0 when the host gave none
};

class PanelUi : private PanelHost {
  public:
    // Throws when the panel cannot be made (no usable parent, an unreadable layout).
    explicit PanelUi(PanelUiHost host);
    ~PanelUi() override;
    PanelUi(const PanelUi&) = delete;
    PanelUi& operator=(const PanelUi&) = delete;

    // The window handle the host embeds (the X11 window id).
    void* Widget() const { return session_.NativeHandle(); }
    int Zoom() const { return session_.Zoom(); }
    TPluginEditorWindow& Window() const { return *session_.Window(); }

    // A port's value as the host reports it.
    void PortEvent(int port, float value);
    // The host's idle: refreshes what changed, then the window paints; false once the window is gone.
    bool Idle() { return session_.Idle(); }

  private:
    // PanelHost: the ports' values as the host last reported them, or as the panel last wrote them.
    void SendParameter(int index, float value) override;
    void BeginEdit(int index) override { Touch(index, true); }
    void EndEdit(int index) override { Touch(index, false); }
    void Touch(int index, bool grabbed);
    bool TakeParameterUpdate() override;
    void ReadParameters(std::array<float, kNumParams>& values) override;
    // Programs are the host's presets here: the recall button restores the first factory program.
    int CurrentProgram() override { return 0; }
    PanelMeters ReadMeters() override;
    bool OverCompressionLatched() override { return ocLatched_; }
    void OverCompressionShown(bool latched) override;
    bool RequestSize(int width, int height) override;
    double HostScale() const override { return host_.hostScale; }

    PanelUiHost host_;
    std::array<float, kNumParams> values_{}; // normalised
    bool parametersChanged_ = false;
    bool ocLatched_ = false;
    float ocAck_ = 0.0f;
    std::array<float, 6> meters_{0.0f, 0.0f, 0.0f,
                                 0.0f, 1.0f, 1.0f}; // in L, in R, out L, out R, gain L, gain R
    PanelSession session_{*this};
};

} // namespace lv2
} // namespace tmx1
