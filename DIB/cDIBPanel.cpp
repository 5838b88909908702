#include "DIB/cDIBPanel.h"

#include "DIB/cDIBControl.h"
#include "platform/PixelMemory.h"
#include "toolkit/Canvas.h"
#include "toolkit/ClassRegistry.h"
#include "toolkit/Form.h"
#include "toolkit/PropertyTable.h"

#include <algorithm>
#include <cstdlib>

namespace dib {

namespace {
// A control whose size keeps changing must not make the scratch images pile up.
constexpr std::size_t maxScratchImages = 16;

TDIBClipRect inclusive(const platform::Rect& r) { return {r.Left, r.Top, r.Right - 1, r.Bottom - 1}; }
} // namespace

TCustomDIBContainer::TCustomDIBContainer(toolkit::TComponent* owner)
    : TCustomPanel(owner), backBuffer_(std::make_unique<TWinDIB>(Width(), Height())) {
    SetDoubleBuffered(true);
    SetTabStop(false);
    SetBorderWidth(0);
    SetBevelInner(toolkit::bvNone);
    SetBevelOuter(toolkit::bvNone);
}

TCustomDIBContainer::~TCustomDIBContainer() {
    MarkDestroying();
    focusList_.clear();
    active_ = nullptr;
}

const toolkit::TPropertyTable& TCustomDIBContainer::PublishedProperties() const {
    using C = TCustomDIBContainer;
    using namespace toolkit;
    static const TPropertyTable table(
        &TCustomPanel::PublishedProperties(),
        {EnumProperty("BevelOuter", &C::BevelOuter, &C::SetBevelOuter,
                      std::vector<std::string>{"bvNone", "bvLowered", "bvRaised", "bvSpace"}, bvNone),
         BooleanProperty("DoubleBuffered", &C::DoubleBuffered, &C::SetDoubleBuffered, true),
         EnumProperty("BorderDrawPosition", &C::BorderDrawPosition, &C::SetBorderDrawPosition,
                      std::vector<std::string>{"bdOverControls", "bdUnderControls"}, bdOverControls),
         ComponentProperty("DIBBorder", &C::DIBBorder, &C::SetDIBBorder),
         EventProperty("OnActiveControlChange", &C::OnActiveControlChange)});
    return table;
}

void TCustomDIBContainer::SetBorderDrawPosition(TBorderDrawPosition value) {
    if (value == borderDrawPosition_)
        return;
    borderDrawPosition_ = value;
    Changed();
}

void TCustomDIBContainer::SetDIBBorder(toolkit::TComponent* value) {
    if (border_ != nullptr)
        RemoveFreeNotification(border_);
    border_ = value;
    if (border_ != nullptr)
        FreeNotification(border_);
    Changed();
}

void TCustomDIBContainer::SetBounds(int left, int top, int width, int height) {
    TCustomPanel::SetBounds(left, top, width, height);
    if (!Loading())
        SizeBackBuffer();
}

void TCustomDIBContainer::Loaded() {
    TCustomPanel::Loaded();
    SizeBackBuffer();
    BuildFocusList();
}

toolkit::TZoom TCustomDIBContainer::Zoom() const {
    const toolkit::TCustomForm* form = ParentForm();
    return form != nullptr ? form->Zoom() : toolkit::TZoom{};
}

void TCustomDIBContainer::SizeBackBuffer() {
    const toolkit::TZoom zoom = Zoom();
    backBuffer_->SetSize(std::max(zoom.Device(Width()), 1), std::max(zoom.Device(Height()), 1));
}

// ---- painting

void TCustomDIBContainer::PaintWindow(const platform::Rect& rect) {
    const platform::Rect requested = platform::Intersection(rect, ClientRect());
    if (requested.Empty())
        return;
    if (!secondPass_) {
        platform::Rect enlarged = requested;
        for (int i = 0; i < ControlCount(); ++i)
            if (const auto* skinned = dynamic_cast<const TCustomDIBControl*>(Controls(i)))
                enlarged = skinned->EnlargePaintRect(enlarged);
        if (enlarged.Left != requested.Left || enlarged.Top != requested.Top ||
            enlarged.Right != requested.Right || std::abs(enlarged.Bottom - requested.Bottom) > 2) {
            secondPass_ = true;
            ValidateRect(requested);
            InvalidateRect(enlarged);
            return;
        }
    }
    secondPass_ = false;
    zoom_ = Zoom();
    // The form may have been zoomed since the last paint.
    const platform::Rect fullDevice = zoom_.Device(ClientRect());
    if (backBuffer_->Width() != std::max(fullDevice.Width(), 1) ||
        backBuffer_->Height() != std::max(fullDevice.Height(), 1))
        SizeBackBuffer();
    paintRect_ = requested;
    devicePaintRect_ = zoom_.Device(paintRect_);
    backBuffer_->SetClipRect(inclusive(devicePaintRect_));
    if (BeforePaint)
        BeforePaint(this, *backBuffer_);
    Paint();
    // No skinned border class exists, so a set border has nothing to draw under or over the controls.
    for (int i = 0; i < ControlCount(); ++i) {
        toolkit::TControl& child = *Controls(i);
        if (!child.IsWindowed() && child.Visible() &&
            !platform::Intersection(child.BoundsRect(), paintRect_).Empty())
            PaintChild(child);
    }
    if (AfterPaint)
        AfterPaint(this, *backBuffer_);
    backBuffer_->ResetClipRect();
    if (const platform::PixelMemory* memory = backBuffer_->Memory())
        PresentBuffer(*memory, devicePaintRect_);
    paintRect_ = {};
    devicePaintRect_ = {};
}

void TCustomDIBContainer::PaintChild(toolkit::TControl& child) {
    const platform::Rect place = zoom_.Device(child.BoundsRect());
    const platform::Rect part = platform::Intersection(place, devicePaintRect_);
    if (auto* skinned = dynamic_cast<TCustomDIBControl*>(&child)) {
        TWinDIB& scratch = ScratchFor(place.Width(), place.Height());
        scratch.ResetSettings();
        skinned->PaintSkinned(*backBuffer_, scratch, inclusive(platform::Offset(part, -place.Left, -place.Top)),
                              zoom_);
        return;
    }
    toolkit::TCanvas canvas({backBuffer_->Pixels(), backBuffer_->Width(), backBuffer_->Height()}, child.Left(),
                            child.Top(), part, zoom_);
    child.Paint(canvas);
}

TWinDIB& TCustomDIBContainer::ScratchFor(int width, int height) {
    const auto key = std::make_pair(std::max(width, 1), std::max(height, 1));
    auto found = scratch_.find(key);
    if (found == scratch_.end()) {
        if (scratch_.size() >= maxScratchImages)
            scratch_.clear();
        found = scratch_.emplace(key, std::make_unique<TWinDIB>(key.first, key.second)).first;
    }
    return *found->second;
}

void TCustomDIBContainer::Paint() { FillExceptOpaqueChildren(devicePaintRect_); }

void TCustomDIBContainer::FillExceptOpaqueChildren(const platform::Rect& rect) {
    // All in device pixels.
    std::vector<platform::Rect> opaque;
    for (int i = 0; i < ControlCount(); ++i) {
        const toolkit::TControl& child = *Controls(i);
        if (child.Visible() && child.IsOpaque())
            opaque.push_back(platform::Intersection(zoom_.Device(child.BoundsRect()), rect));
    }
    toolkit::TCanvas canvas({backBuffer_->Pixels(), backBuffer_->Width(), backBuffer_->Height()}, 0, 0, rect);
    if (opaque.empty()) {
        canvas.FillRect(rect, Color());
        return;
    }
    // Row by row, the spans between the opaque children.
    std::vector<std::pair<int, int>> spans;
    for (int y = rect.Top; y < rect.Bottom; ++y) {
        spans.clear();
        for (const platform::Rect& r : opaque)
            if (!r.Empty() && y >= r.Top && y < r.Bottom)
                spans.emplace_back(r.Left, r.Right);
        std::sort(spans.begin(), spans.end());
        int x = rect.Left;
        for (const auto& [left, right] : spans) {
            if (left > x)
                canvas.FillRect({x, y, left, y + 1}, Color());
            x = std::max(x, right);
        }
        if (x < rect.Right)
            canvas.FillRect({x, y, rect.Right, y + 1}, Color());
    }
}

// ---- focus

void TCustomDIBContainer::SetActiveControl(TCustomDIBControl* control) {
    if (control == active_)
        return;
    TCustomDIBControl* previous = active_;
    active_ = control;
    if (previous != nullptr && !previous->Destroying())
        previous->SetFocused(false);
    if (active_ != nullptr)
        active_->SetFocused(true);
    if (OnActiveControlChange)
        OnActiveControlChange(this);
}

void TCustomDIBContainer::FocusNext() {
    if (focusList_.empty())
        return;
    const auto at = std::find(focusList_.begin(), focusList_.end(), active_);
    std::size_t start =
        at == focusList_.end() ? focusList_.size() - 1 : static_cast<std::size_t>(at - focusList_.begin());
    for (std::size_t step = 1; step <= focusList_.size(); ++step) {
        TCustomDIBControl* candidate = focusList_[(start + step) % focusList_.size()];
        if (candidate->Enabled()) {
            SetActiveControl(candidate);
            return;
        }
    }
}

void TCustomDIBContainer::FocusPrevious() {
    if (focusList_.empty())
        return;
    const auto at = std::find(focusList_.begin(), focusList_.end(), active_);
    const std::size_t n = focusList_.size();
    std::size_t start = at == focusList_.end() ? 0 : static_cast<std::size_t>(at - focusList_.begin());
    for (std::size_t step = 1; step <= n; ++step) {
        TCustomDIBControl* candidate = focusList_[(start + n - step % n) % n];
        if (candidate->Enabled()) {
            SetActiveControl(candidate);
            return;
        }
    }
}

void TCustomDIBContainer::Enter(bool shift) {
    SetActiveControl(nullptr);
    if (shift)
        FocusPrevious();
    else
        FocusNext();
}

int TCustomDIBContainer::PlaceInFocusList(TCustomDIBControl& control, int index) {
    std::erase(focusList_, &control);
    if (index < 0) {
        if (active_ == &control)
            SetActiveControl(nullptr);
        return -1;
    }
    const auto at = std::min<std::size_t>(static_cast<std::size_t>(index), focusList_.size());
    focusList_.insert(focusList_.begin() + static_cast<std::ptrdiff_t>(at), &control);
    return static_cast<int>(at);
}

void TCustomDIBContainer::BuildFocusList() {
    std::vector<TCustomDIBControl*> ordered;
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* skinned = dynamic_cast<TCustomDIBControl*>(Controls(i));
            skinned != nullptr && skinned->DIBTabOrder() >= 0)
            ordered.push_back(skinned);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const TCustomDIBControl* a, const TCustomDIBControl* b) {
                         return a->DIBTabOrder() < b->DIBTabOrder();
                     });
    focusList_ = std::move(ordered);
}

void TCustomDIBContainer::ControlListChanged(toolkit::TControl& control, bool inserted) {
    TCustomPanel::ControlListChanged(control, inserted);
    if (inserted)
        return;
    std::erase(focusList_, &control);
    if (active_ == &control) {
        // A child on its way out hears of no focus change any more.
        active_ = nullptr;
        if (!control.Destroying())
            static_cast<TCustomDIBControl&>(control).SetFocused(false);
        if (OnActiveControlChange)
            OnActiveControlChange(this);
    }
}

void TCustomDIBContainer::Notification(toolkit::TComponent* component, toolkit::TOperation operation) {
    TCustomPanel::Notification(component, operation);
    if (operation == toolkit::TOperation::opRemove && component == border_)
        border_ = nullptr;
}

// ---- keys: navigation keys go to the active skinned child, Alt with a key to the accelerators

void TCustomDIBContainer::KeyDown(int& key, toolkit::TShiftState shift) {
    if ((shift & toolkit::ssAlt) != 0)
        for (int i = 0; i < ControlCount(); ++i)
            if (auto* skinned = dynamic_cast<TCustomDIBControl*>(Controls(i));
                skinned && skinned->TryAccelerator(static_cast<char>(key)))
                return;
    if (active_ != nullptr)
        active_->KeyDown(key, shift);
    else
        TCustomPanel::KeyDown(key, shift);
}

void TCustomDIBContainer::KeyPress(char& key) {
    if (active_ != nullptr)
        active_->KeyPress(key);
    else
        TCustomPanel::KeyPress(key);
}

void TCustomDIBContainer::KeyUp(int& key, toolkit::TShiftState shift) {
    if (active_ != nullptr)
        active_->KeyUp(key, shift);
    else
        TCustomPanel::KeyUp(key, shift);
}

void RegisterDIBContainerClasses(toolkit::TClassRegistry& registry) {
    registry.Register<TDIBContainer>("TDIBContainer");
}

} // namespace dib
