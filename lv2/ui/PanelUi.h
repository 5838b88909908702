// The editor panel as an LV2 user interface: the same window the VST bridge shows, driven by the host
// through its ports alone. Edits are written to the parameter ports; the host's port events bring the
// parameters, the meters and the over-compression state back. The peak holds, the A/B memories and
// the zoom live here, in the panel. Everything runs on the host's UI thread.
#pragma once

#include "editor/EffectLink.h"
#include "platform/Window.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

namespace tmx1 {

class TPluginEditorWindow;

namespace lv2 {

// What the host gives the panel, as plain functions: the LV2 entry wraps its features in these.
struct PanelUiHost {
    // Writes a control port's new value (ui:portNotification's other direction).
    std::function<void(int port, float value)> writePort;
    // Asks the host to give the panel's window a new size; false when it cannot (ui:resize).
    std::function<bool(int width, int height)> resize;
    platform::ParentWindow parent = platform::ParentWindow::Native(nullptr);
    double hostScale = 0.0; // ui:scaleFactor, 0 when the host gave none
};

class PanelUi : private EffectLink {
  public:
    // Throws when the panel cannot be made (no usable parent, an unreadable layout).
    explicit PanelUi(PanelUiHost host);
    ~PanelUi() override;
    PanelUi(const PanelUi&) = delete;
    PanelUi& operator=(const PanelUi&) = delete;

    // The window handle the host embeds (the X11 window id).
    void* Widget() const;
    int Zoom() const { return zoom_; }
    TPluginEditorWindow& Window() const { return *window_; }

    // A port's value as the host reports it.
    void PortEvent(int port, float value);
    // The host's idle: refreshes what changed, then the window paints; false once the window is gone.
    bool Idle();

  private:
    // EffectLink: an edit goes to its port.
    void SendParameter(int index, float value) override;
    void ApplyZoom(int percent);

    PanelUiHost host_;
    std::unique_ptr<TPluginEditorWindow> window_;
    int zoom_ = 100;
    int zoomRequest_ = 0;
    int chosenZoom_ = 0;
    bool parametersChanged_ = true;
    bool ocLatched_ = false;
    float ocAck_ = 0.0f;
    std::array<float, 6> meters_{}; // in L, in R, out L, out R, gain L, gain R as the ports last said
};

} // namespace lv2
} // namespace tmx1
