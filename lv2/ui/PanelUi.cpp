#include "lv2/ui/PanelUi.h"

#include "lv2/PortMap.h"

#include <stdexcept>
#include <utility>

namespace tmx1::lv2 {

PanelUi::PanelUi(PanelUiHost host) : host_(std::move(host)) {
    // Until the host reports the ports, the panel shows the plug-in's defaults.
    for (std::size_t i = 0; i < values_.size(); ++i)
        values_[i] = kParameters[i].defaultValue;
    if (!session_.Open(host_.parent))
        throw std::runtime_error("The panel cannot be shown in the host's window");
    if (host_.resize)
        host_.resize(session_.Size().width, session_.Size().height);
}

PanelUi::~PanelUi() { session_.Close(); }

void PanelUi::PortEvent(int port, float value) {
    if (const int parameter = ParameterOfPort(port); parameter >= 0) {
        const float normalised = NormalisedOf(parameter, value);
        float& shown = values_[static_cast<std::size_t>(parameter)];
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

// ---- PanelHost

void PanelUi::SendParameter(int index, float value) {
    const int port = PortOfParameter(index);
    if (port < 0 || !host_.writePort)
        return;
    host_.writePort(port, static_cast<float>(PortValueOf(index, value)));
    // The host echoes nothing back for a port the UI wrote: the panel shows its own edit at its next idle.
    values_[static_cast<std::size_t>(index)] = value;
    parametersChanged_ = true;
}

void PanelUi::Touch(int index, bool grabbed) {
    if (const int port = PortOfParameter(index); port >= 0 && host_.touch)
        host_.touch(port, grabbed);
}

bool PanelUi::TakeParameterUpdate() { return std::exchange(parametersChanged_, false); }

void PanelUi::ReadParameters(std::array<float, kNumParams>& values) { values = values_; }

PanelMeters PanelUi::ReadMeters() {
    return {{meters_[0], meters_[1], meters_[2], meters_[3]}, {meters_[4], meters_[5]}};
}

void PanelUi::OverCompressionShown(bool latched) {
    // The plug-in may clear the latch once the over-compression has ended, as the VST bridge lets it
    // after each idle. Only a latched state needs the word; each acknowledgement is a new value.
    if (!latched || !host_.writePort)
        return;
    ocAck_ = ocAck_ >= 1.0e6f ? 1.0f : ocAck_ + 1.0f;
    host_.writePort(kPortOcAck, ocAck_);
}

bool PanelUi::RequestSize(int width, int height) { return host_.resize && host_.resize(width, height); }

} // namespace tmx1::lv2
