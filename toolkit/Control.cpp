#include "toolkit/Control.h"

#include "toolkit/Canvas.h"
#include "toolkit/Form.h"
#include "toolkit/PropertyTable.h"
#include "toolkit/WinControl.h"

#include <array>

namespace toolkit {

TShiftState ShiftStateOf(unsigned modifiers) {
    TShiftState shift = 0;
    if (modifiers & platform::modShift)
        shift |= ssShift;
    if (modifiers & platform::modAlt)
        shift |= ssAlt;
    if (modifiers & platform::modCtrl)
        shift |= ssCtrl;
    if (modifiers & platform::modLeftButton)
        shift |= ssLeft;
    if (modifiers & platform::modRightButton)
        shift |= ssRight;
    if (modifiers & platform::modMiddleButton)
        shift |= ssMiddle;
    if (modifiers & platform::modDouble)
        shift |= ssDouble;
    return shift;
}

std::span<const TIdentEntry> CursorIdents() {
    static constexpr std::array<TIdentEntry, 3> idents{
        {{"crDefault", crDefault}, {"crArrow", crArrow}, {"crHandPoint", crHandPoint}}};
    return idents;
}

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() {
    MarkDestroying();
    SetParent(nullptr);
}

const TPropertyTable& TControl::PublishedProperties() const {
    using C = TControl;
    static const TPropertyTable table(
        &TComponent::PublishedProperties(),
        {IntegerProperty("Left", &C::Left, &C::SetLeft), IntegerProperty("Top", &C::Top, &C::SetTop),
         IntegerProperty("Width", &C::Width, &C::SetWidth),
         IntegerProperty("Height", &C::Height, &C::SetHeight),
         IntegerProperty("Cursor", &C::Cursor, &C::SetCursor, crDefault, CursorIdents()),
         BooleanProperty("Enabled", &C::Enabled, &C::SetEnabled, true),
         BooleanProperty("Visible", &C::Visible, &C::SetVisible, true), EventProperty("OnClick", &C::OnClick),
         EventProperty("OnDblClick", &C::OnDblClick), EventProperty("OnResize", &C::OnResize),
         EventProperty("OnMouseDown", &C::OnMouseDown), EventProperty("OnMouseMove", &C::OnMouseMove),
         EventProperty("OnMouseUp", &C::OnMouseUp)});
    return table;
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_)
        return;
    const bool resized = width != width_ || height != height_;
    if (parent_ != nullptr && visible_)
        parent_->InvalidateRect(BoundsRect());
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (parent_ != nullptr && visible_)
        parent_->InvalidateRect(BoundsRect());
    if (resized && !Loading() && OnResize)
        OnResize(this);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_)
        return;
    if (parent_ != nullptr) {
        if (visible_)
            parent_->InvalidateRect(BoundsRect());
        if (TCustomForm* form = ParentForm())
            form->ControlRemoved(*this);
        parent_->RemoveControl(*this);
    }
    parent_ = parent;
    if (parent_ != nullptr) {
        parent_->InsertControl(*this);
        Invalidate();
    }
}

TComponent* TControl::GetParentComponent() const { return parent_; }

void TControl::SetParentComponent(TComponent* parent) {
    if (auto* windowed = dynamic_cast<TWinControl*>(parent))
        SetParent(windowed);
}

TCustomForm* TControl::ParentForm() const {
    for (const TControl* control = this; control != nullptr; control = control->parent_)
        if (auto* form = dynamic_cast<TCustomForm*>(const_cast<TControl*>(control)))
            return form;
    return nullptr;
}

void TControl::SetVisible(bool value) {
    if (value == visible_)
        return;
    visible_ = value;
    if (parent_ != nullptr)
        parent_->InvalidateRect(BoundsRect());
    if (!visible_)
        if (TCustomForm* form = ParentForm())
            form->ControlRemoved(*this);
    VisibleChanged();
}

void TControl::SetEnabled(bool value) {
    if (value == enabled_)
        return;
    enabled_ = value;
    Changed();
    EnabledChanged();
}

void TControl::Changed() {
    if (!Loading())
        Invalidate();
}

void TControl::Invalidate() {
    if (parent_ != nullptr && visible_)
        parent_->InvalidateRect(BoundsRect());
}

void TControl::Paint(TCanvas&) {}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TControl::EndPress(int x, int y) {
    if (!pressed_)
        return;
    pressed_ = false;
    if (ClientRect().Contains(x, y))
        Click();
}

void TControl::Click() {
    if (OnClick)
        OnClick(this);
}

bool TControl::MouseCapture() const {
    const TCustomForm* form = ParentForm();
    return form != nullptr && form->CaptureControl() == this;
}

void TControl::SetMouseCapture(bool value) {
    TCustomForm* form = ParentForm();
    if (form == nullptr || value == MouseCapture())
        return;
    form->SetCaptureControl(value ? this : nullptr);
}

void TControl::KeyDown(int& key, TShiftState shift) {
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
}

void TControl::KeyPress(char& key) {
    if (OnKeyPress)
        OnKeyPress(this, key);
}

void TControl::KeyUp(int& key, TShiftState shift) {
    if (OnKeyUp)
        OnKeyUp(this, key, shift);
}

} // namespace toolkit
