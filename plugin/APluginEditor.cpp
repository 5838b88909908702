#include "plugin/APluginEditor.h"

#include "editor/ZoomChoice.h"
#include "editor/uEditor.h"
#include "plugin/APlugin.h"
#include "toolkit/Zoom.h"

#include <algorithm>
#include <utility>

namespace tmx1 {

APluginEditor::APluginEditor(APlugin* plugin) : AEffEditor(plugin), plugin(plugin) {}

APluginEditor::~APluginEditor() {
    if (window) {
        plugin->setEditorClosed(true);
        window.reset();
    }
}

vst::Int32 APluginEditor::getRect(vst::ERect** answer) {
    const toolkit::TZoom zoom(zoomPercent());
    rect = {0, 0, static_cast<std::int16_t>(zoom.Device(kEditorHeight)),
            static_cast<std::int16_t>(zoom.Device(kEditorWidth))};
    *answer = &rect;
    return 1;
}

bool APluginEditor::forceZoom(int percent) {
    if (std::find(kZoomSteps.begin(), kZoomSteps.end(), percent) == kZoomSteps.end())
        return false;
    forcedZoom_ = percent;
    return true;
}

int APluginEditor::chooseZoom(const platform::ParentWindow& parent) const {
    if (forcedZoom_ != 0)
        return forcedZoom_;
    return PanelZoomFor(parent, chosenZoom_, plugin->hostWindowScale());
}

int APluginEditor::zoomPercent() const {
    if (open_)
        return zoom_;
    return chooseZoom(nextScreen != nullptr ? platform::ParentWindow::Headless(*nextScreen)
                                            : platform::ParentWindow::Native(nullptr));
}

bool APluginEditor::rememberZoom(int percent) {
    chosenZoom_ = percent;
    return RememberPanelZoom(percent);
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
    const int zoom = chooseZoom(parent);
    try {
        auto created = std::make_unique<TPluginEditorWindow>(nullptr);
        created->SetPanelZoom(zoom);
        created->CreateWindow(parent);
        window = std::move(created);
    } catch (...) {
        return 0;
    }
    window->OnZoomChosen = [this](int percent) { zoomRequest_ = percent; };
    parent_ = parent;
    zoom_ = zoom;
    open_ = true;
    systemWindow = parentWindow;
    for (int i = 0; i < kEditorParams; ++i)
        window->ParamValues[static_cast<std::size_t>(i)] = plugin->paramValueAt(i);
    window->Plugin = this;
    postUpdate(); // the first idle refreshes every control
    plugin->setEditorClosed(false);
    window->ProgramIndex = plugin->currentProgram();
    return 1;
}

void APluginEditor::SendParameter(int index, float value) { plugin->setParameterAutomated(index, value); }

void APluginEditor::close() {
    if (!open_)
        return;
    open_ = false;
    plugin->setEditorClosed(true);
    window.reset();
    parent_.reset();
    zoomRequest_ = 0;
    systemWindow = nullptr;
}

void APluginEditor::idle() {
    if (plugin->isEditorClosed() || !window)
        return;
    window->ProgramIndex = plugin->currentProgram();
    AEffEditor::idle(); // the posted update, if any
    window->ShowOverCompression(plugin->isOcLatched());
    plugin->requestOcAcknowledge(); // the effect may clear the latch now that it has been shown
    copyMeters();
    window->UpdateMeter();
    // The window system's turn: pending input, due timers, then one paint of what changed.
    if (platform::NativeWindow* native = window->Window())
        native->Idle();
    // Not inside the window's own idle: the window may be made again.
    if (const int requested = std::exchange(zoomRequest_, 0); requested != 0)
        applyZoom(requested);
}

void APluginEditor::applyZoom(int percent) {
    forcedZoom_ = 0; // the user's own choice outranks what our host asked for
    rememberZoom(percent);
    if (percent == zoom_ || !window || !parent_) {
        if (window)
            window->SetPendingZoom(0);
        return;
    }
    const toolkit::TZoom zoom(percent);
    if (!plugin->sizeWindow(zoom.Device(kEditorWidth), zoom.Device(kEditorHeight))) {
        // The host keeps its window's size: the choice waits for the next open, and the menu says so.
        window->SetPendingZoom(percent);
        return;
    }
    try {
        window->SetPanelZoom(percent);
        window->CreateWindow(*parent_);
        zoom_ = percent;
    } catch (...) {
        // The parent went away or refused the new window: the editor is closed as far as we can tell.
        window->DestroyWindow();
    }
}

void APluginEditor::update() {
    if (plugin->isEditorClosed() || !window)
        return;
    for (int i = 0; i < kEditorParams; ++i)
        window->ParamValues[static_cast<std::size_t>(i)] = plugin->paramValueAt(i);
    window->UpdateControls();
}

void APluginEditor::copyMeters() {
    window->MeterLevels = {plugin->meterValue(kMeterInL), plugin->meterValue(kMeterInR),
                           plugin->meterValue(kMeterOutL), plugin->meterValue(kMeterOutR)};
    window->MeterGains = {plugin->meterValue(kMeterCpL), plugin->meterValue(kMeterCpR)};
}

} // namespace tmx1
