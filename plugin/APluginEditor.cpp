#include "plugin/APluginEditor.h"

#include "DIB/cDIBImage.h"
#include "editor/uEditor.h"
#include "plugin/APlugin.h"

namespace tmx1 {

APluginEditor::APluginEditor(APlugin* plugin) : AEffEditor(plugin), plugin(plugin) {}

APluginEditor::~APluginEditor() {
    if (window) {
        plugin->setEditorClosed(true);
        window.reset();
    }
}

vst::Int32 APluginEditor::getRect(vst::ERect** answer) {
    rect = {0, 0, kEditorHeight, kEditorWidth};
    *answer = &rect;
    return 1;
}

vst::Int32 APluginEditor::open(void* parentWindow) {
    const platform::ParentWindow parent = nextScreen != nullptr
                                              ? platform::ParentWindow::Headless(*nextScreen)
                                              : platform::ParentWindow::Native(parentWindow);
    nextScreen = nullptr;
    if (open_)
        return 1; // never a second window
    // Built and placed completely before anything is recorded: a parent the window system refuses
    // (or an unreadable layout) leaves the bridge closed and the host told so.
    try {
        auto created = std::make_unique<TPluginEditorWindow>(nullptr);
        created->CreateWindow(parent);
        window = std::move(created);
    } catch (...) {
        return 0;
    }
    open_ = true;
    systemWindow = parentWindow;
    for (int i = 0; i < kEditorParams; ++i)
        window->ParamValues[static_cast<std::size_t>(i)] = plugin->paramValueAt(i);
    window->Plugin = plugin;
    postUpdate(); // the first idle refreshes every control
    plugin->setEditorClosed(false);
    window->ProgramIndex = plugin->currentProgram();
    return 1;
}

void APluginEditor::close() {
    if (!open_)
        return;
    open_ = false;
    plugin->setEditorClosed(true);
    window.reset();
    systemWindow = nullptr;
}

void APluginEditor::idle() {
    if (plugin->isEditorClosed() || !window)
        return;
    window->ProgramIndex = plugin->currentProgram();
    AEffEditor::idle(); // the posted update, if any
    driveOverCompressionLed();
    plugin->requestOcAcknowledge(); // the effect may clear the latch now that it has been shown
    copyMeters();
    window->UpdateMeter();
    // The window system's turn: pending input, due timers, then one paint of what changed.
    if (platform::NativeWindow* native = window->Window())
        native->Idle();
}

void APluginEditor::update() {
    if (plugin->isEditorClosed() || !window)
        return;
    for (int i = 0; i < kEditorParams; ++i)
        window->ParamValues[static_cast<std::size_t>(i)] = plugin->paramValueAt(i);
    window->UpdateControls();
}

void APluginEditor::driveOverCompressionLed() {
    // Assigned only on a change, so a steady indicator is not repainted.
    dib::TDIBImage& led = *window->OC_LED;
    if (plugin->isOcLatched()) {
        if (led.Opacity() < 255)
            led.SetOpacity(255);
    } else if (led.Opacity() > 0) {
        led.SetOpacity(0);
    }
}

void APluginEditor::copyMeters() {
    window->MeterLevels = {plugin->meterValue(kMeterInL), plugin->meterValue(kMeterInR),
                           plugin->meterValue(kMeterOutL), plugin->meterValue(kMeterOutR)};
    window->MeterGains = {plugin->meterValue(kMeterCpL), plugin->meterValue(kMeterCpR)};
}

} // namespace tmx1
