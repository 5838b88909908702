#include "lv2/ui/PanelUi.h"

#include "editor/uEditor.h"
#include "lv2/PortMap.h"
#include "plugin/APluginEditor.h"
#include "toolkit/Zoom.h"

#include <utility>

namespace tmx1::lv2 {

PanelUi::PanelUi(PanelUiHost host) : host_(std::move(host)) {
    zoom_ = PanelZoomFor(host_.parent, 0, host_.hostScale);
    auto window = std::make_unique<TPluginEditorWindow>(nullptr);
    window->SetPanelZoom(zoom_);
    window->CreateWindow(host_.parent);
    window_ = std::move(window);
    window_->Plugin = this;
    window_->OnZoomChosen = [this](int percent) { zoomRequest_ = percent; };
    // Until the host reports the ports, the panel shows the plug-in's defaults.
    for (int i = 0; i < kEditorParams; ++i)
        window_->ParamValues[static_cast<std::size_t>(i)] = kParameters[static_cast<std::size_t>(i)].defaultValue;
    window_->MeterLevels.fill(0.0f);
    window_->MeterGains.fill(1.0f);
    meters_ = {0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f};
    const toolkit::TZoom zoom(zoom_);
    if (host_.resize)
        host_.resize(zoom.Device(kEditorWidth), zoom.Device(kEditorHeight));
}

PanelUi::~PanelUi() = default;

void* PanelUi::Widget() const { return window_->Window() != nullptr ? window_->Window()->Handle() : nullptr; }

void PanelUi::SendParameter(int index, float value) {
    const int port = PortOfParameter(index);
    if (port < 0 || !host_.writePort)
        return;
    host_.writePort(port, static_cast<float>(PortValueOf(index, value)));
    // The host echoes nothing back for a port the UI wrote: the panel shows its own edit at once.
    window_->ParamValues[static_cast<std::size_t>(index)] = value;
    parametersChanged_ = true;
}

void PanelUi::PortEvent(int port, float value) {
    if (const int parameter = ParameterOfPort(port); parameter >= 0) {
        const float normalised = NormalisedOf(parameter, value);
        float& shown = window_->ParamValues[static_cast<std::size_t>(parameter)];
        if (shown != normalised) {
            shown = normalised;
            parametersChanged_ = true;
        }
        return;
    }
    if (port >= kFirstMeterPort && port < kFirstMeterPort + kNumMeterPorts) {
        meters_[static_cast<std::size_t>(port - kFirstMeterPort)] = value;
        return;
    }
    if (port == kPortOverCompression)
        ocLatched_ = value > 0.5f;
}

bool PanelUi::Idle() {
    if (window_->Window() == nullptr)
        return false;
    if (parametersChanged_) {
        parametersChanged_ = false;
        window_->UpdateControls();
    }
    window_->ShowOverCompression(ocLatched_);
    // Shown: the plug-in may clear the latch once the over-compression has ended, as the VST bridge
    // lets it after each idle. Only a latched state needs the word.
    if (ocLatched_ && host_.writePort) {
        ocAck_ = ocAck_ >= 1.0e6f ? 1.0f : ocAck_ + 1.0f;
        host_.writePort(kPortOcAck, ocAck_);
    }
    window_->MeterLevels = {meters_[0], meters_[1], meters_[2], meters_[3]};
    window_->MeterGains = {meters_[4], meters_[5]};
    window_->UpdateMeter();
    if (platform::NativeWindow* native = window_->Window())
        native->Idle();
    // Not inside the window's own idle: the window may be made again.
    if (const int requested = std::exchange(zoomRequest_, 0); requested != 0)
        ApplyZoom(requested);
    return window_->Window() != nullptr;
}

void PanelUi::ApplyZoom(int percent) {
    chosenZoom_ = percent;
    RememberPanelZoom(percent);
    if (percent == zoom_) {
        window_->SetPendingZoom(0);
        return;
    }
    const toolkit::TZoom zoom(percent);
    if (!host_.resize || !host_.resize(zoom.Device(kEditorWidth), zoom.Device(kEditorHeight))) {
        window_->SetPendingZoom(percent);
        return;
    }
    try {
        window_->SetPanelZoom(percent);
        window_->CreateWindow(host_.parent);
        zoom_ = percent;
        parametersChanged_ = true;
    } catch (...) {
        window_->DestroyWindow();
    }
}

} // namespace tmx1::lv2
