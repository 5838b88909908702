#include "editor/PanelSession.h"

#include "editor/ZoomChoice.h"
#include "editor/uEditor.h"
#include "toolkit/Zoom.h"

#include <algorithm>
#include <utility>

namespace tmx1 {

PanelSize PanelSizeAt(int percent) {
    const toolkit::TZoom zoom(percent);
    return {zoom.Device(kEditorWidth), zoom.Device(kEditorHeight)};
}

PanelSession::PanelSession(PanelHost& host) : host_(host) {}

PanelSession::~PanelSession() { Close(); }

bool PanelSession::Open(const platform::ParentWindow& parent) {
    if (window_)
        return true;
    // Built and placed completely before anything is recorded: a parent the window system refuses (or
    // an unreadable layout) leaves the session closed.
    const int zoom = ZoomFor(parent);
    try {
        auto created = std::make_unique<TPluginEditorWindow>(nullptr);
        created->SetPanelZoom(zoom);
        created->CreateWindow(parent);
        window_ = std::move(created);
    } catch (...) {
        return false;
    }
    window_->OnZoomChosen = [this](int percent) { zoomRequest_ = percent; };
    window_->Plugin = &host_;
    parent_ = parent;
    zoom_ = zoom;
    host_.ReadParameters(window_->ParamValues);
    window_->ProgramIndex = host_.CurrentProgram();
    refreshAll_ = true;
    return true;
}

void PanelSession::Close() {
    if (!window_)
        return;
    window_->EndGesture();
    window_.reset();
    parent_.reset();
    zoomRequest_ = 0;
}

void* PanelSession::NativeHandle() const {
    return window_ && window_->Window() != nullptr ? window_->Window()->Handle() : nullptr;
}

bool PanelSession::Idle() {
    if (!window_ || window_->Window() == nullptr)
        return false;
    window_->ProgramIndex = host_.CurrentProgram();
    // Both taken every time: the host's flag must not stay raised behind the first refresh.
    const bool posted = host_.TakeParameterUpdate();
    if (std::exchange(refreshAll_, false) || posted)
        RefreshParameters();
    const bool latched = host_.OverCompressionLatched();
    window_->ShowOverCompression(latched);
    host_.OverCompressionShown(latched);
    ShowMeters(host_.ReadMeters());
    window_->UpdateMeter();
    // The window system's turn: pending input, due timers, then one paint of what changed.
    window_->Window()->Idle();
    // Not inside the window's own idle: the window may be made again.
    if (const int requested = std::exchange(zoomRequest_, 0); requested != 0)
        ApplyZoom(requested);
    return window_->Window() != nullptr;
}

void PanelSession::RefreshParameters() {
    if (!window_)
        return;
    host_.ReadParameters(window_->ParamValues);
    window_->UpdateControls();
}

void PanelSession::ShowMeters(const PanelMeters& meters) {
    window_->MeterLevels = meters.levels;
    window_->MeterGains = meters.gains;
}

// ---- zoom

int PanelSession::ZoomFor(const platform::ParentWindow& parent) const {
    if (forcedZoom_ != 0)
        return forcedZoom_;
    return PanelZoomFor(parent, chosenZoom_, host_.HostScale());
}

bool PanelSession::ForceZoom(int percent) {
    if (std::find(kZoomSteps.begin(), kZoomSteps.end(), percent) == kZoomSteps.end())
        return false;
    forcedZoom_ = percent;
    return true;
}

bool PanelSession::RememberZoom(int percent) {
    chosenZoom_ = percent;
    return RememberPanelZoom(percent);
}

bool PanelSession::HostScaleChanged() {
    if (!window_ || window_->Window() == nullptr)
        return false;
    const int percent = ZoomFor(*parent_);
    return percent != zoom_ && Remake(percent);
}

void PanelSession::ApplyZoom(int percent) {
    forcedZoom_ = 0; // the user's own choice outranks what our host asked for
    RememberZoom(percent);
    if (percent == zoom_) {
        window_->SetPendingZoom(0);
        return;
    }
    const PanelSize size = PanelSizeAt(percent);
    if (!host_.RequestSize(size.width, size.height)) {
        // The host keeps its window's size: the choice waits for the next open, and the menu says so.
        window_->SetPendingZoom(percent);
        return;
    }
    Remake(percent);
}

bool PanelSession::Remake(int percent) {
    window_->EndGesture(); // the held knob's release goes to the window that is about to go
    try {
        window_->SetPanelZoom(percent);
        window_->CreateWindow(*parent_);
        zoom_ = percent;
        return true;
    } catch (...) {
        // The parent went away or refused the new window: the panel is closed as far as we can tell.
        window_->DestroyWindow();
        return false;
    }
}

} // namespace tmx1
