#include "plugin/APluginEditor.h"

#include "plugin/APlugin.h"

namespace tmx1 {

APluginEditor::APluginEditor(APlugin* plugin) : AEffEditor(plugin), plugin(plugin) {}

APluginEditor::~APluginEditor() {
    if (session.IsOpen()) {
        plugin->setEditorClosed(true);
        session.Close();
    }
}

vst::Int32 APluginEditor::getRect(vst::ERect** answer) {
    const PanelSize size = PanelSizeAt(zoomPercent());
    rect = {0, 0, static_cast<std::int16_t>(size.height), static_cast<std::int16_t>(size.width)};
    *answer = &rect;
    return 1;
}

platform::ParentWindow APluginEditor::parentFor(void* hostWindow) const {
    return nextScreen != nullptr ? platform::ParentWindow::Headless(*nextScreen)
                                 : platform::ParentWindow::Native(hostWindow);
}

int APluginEditor::zoomPercent() const {
    return session.IsOpen() ? session.Zoom() : session.ZoomFor(parentFor(nullptr));
}

vst::Int32 APluginEditor::open(void* parentWindow) {
    const platform::ParentWindow parent = parentFor(parentWindow);
    nextScreen = nullptr;
    if (session.IsOpen())
        return 1; // never a second window
    if (!session.Open(parent))
        return 0;
    systemWindow = parentWindow;
    postUpdate(); // the first idle refreshes every control
    plugin->setEditorClosed(false);
    return 1;
}

void APluginEditor::close() {
    if (!session.IsOpen())
        return;
    plugin->setEditorClosed(true);
    session.Close();
    systemWindow = nullptr;
}

void APluginEditor::idle() {
    if (plugin->isEditorClosed())
        return;
    session.Idle();
}

void APluginEditor::update() {
    if (!plugin->isEditorClosed())
        session.RefreshParameters();
}

// ---- PanelHost

void APluginEditor::SendParameter(int index, float value) { plugin->setParameterAutomated(index, value); }

void APluginEditor::BeginEdit(int index) { plugin->beginEdit(index); }

void APluginEditor::EndEdit(int index) { plugin->endEdit(index); }

bool APluginEditor::TakeParameterUpdate() { return updateFlag.exchange(0, std::memory_order_acquire) != 0; }

void APluginEditor::ReadParameters(std::array<float, kNumParams>& values) {
    for (int i = 0; i < kNumParams; ++i)
        values[static_cast<std::size_t>(i)] = plugin->paramValueAt(i);
}

int APluginEditor::CurrentProgram() { return plugin->currentProgram(); }

PanelMeters APluginEditor::ReadMeters() {
    return {{plugin->meterValue(kMeterInL), plugin->meterValue(kMeterInR), plugin->meterValue(kMeterOutL),
             plugin->meterValue(kMeterOutR)},
            {plugin->meterValue(kMeterCpL), plugin->meterValue(kMeterCpR)}};
}

bool APluginEditor::OverCompressionLatched() { return plugin->isOcLatched(); }

// Every idle: the effect may clear the latch once the lamp has been shown, lit or not.
void APluginEditor::OverCompressionShown(bool) { plugin->requestOcAcknowledge(); }

bool APluginEditor::RequestSize(int width, int height) { return plugin->sizeWindow(width, height); }

double APluginEditor::HostScale() const { return plugin->hostWindowScale(); }

} // namespace tmx1
