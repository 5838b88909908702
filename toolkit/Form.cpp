#include "toolkit/Form.h"

#include "toolkit/PropertyTable.h"

namespace toolkit {

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner), font_(std::make_unique<TFont>()) {
    SetBounds(0, 0, 320, 240);
}

TCustomForm::~TCustomForm() {
    MarkDestroying();
    DestroyWindow();
}

const TPropertyTable& TCustomForm::PublishedProperties() const {
    using C = TCustomForm;
    static const TPropertyTable table(
        &TWinControl::PublishedProperties(),
        {StringProperty("Caption", &C::Caption, &C::SetCaption),
         IntegerProperty("ClientHeight", &C::ClientHeight, &C::SetClientHeight),
         IntegerProperty("ClientWidth", &C::ClientWidth, &C::SetClientWidth),
         IntegerProperty("Color", &C::Color, &C::SetColor, clBtnFace, ColourIdents()),
         ObjectProperty("Font", &C::Font),
         EnumProperty("BorderStyle", &C::BorderStyle, &C::SetBorderStyle,
                      {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"},
                      bsSizeable),
         SetProperty("BorderIcons", &C::BorderIcons, &C::SetBorderIcons,
                     {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"}, 0x7u),
         EnumProperty("Position", &C::Position, &C::SetPosition,
                      {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter"},
                      poDefaultPosOnly),
         BooleanProperty("Scaled", &C::Scaled, &C::SetScaled, true),
         IntegerProperty("PixelsPerInch", &C::PixelsPerInch, &C::SetPixelsPerInch),
         IntegerProperty("TextHeight", &C::TextHeight, &C::SetTextHeight),
         EventProperty("OnCreate", &C::OnCreate), EventProperty("OnDestroy", &C::OnDestroy),
         EventProperty("OnPaint", &C::OnPaint)});
    return table;
}

void TCustomForm::GetChildren(const std::function<void(TComponent&)>& proc, const TComponent& root) const {
    TWinControl::GetChildren(proc, root);
    if (&root != this)
        return;
    for (int i = 0; i < ComponentCount(); ++i)
        if (!Components(i)->HasParent())
            proc(*Components(i));
}

void TCustomForm::CreateWindow(const platform::ParentWindow& parent) {
    DestroyWindow();
    window_ = platform::CreateChildWindow(parent, zoom_.Device(Width()), zoom_.Device(Height()), *this);
}

void TCustomForm::DestroyWindow() {
    if (captureControl_ != nullptr && window_ != nullptr)
        window_->SetCapture(false);
    captureControl_ = nullptr;
    mouseControl_ = nullptr;
    window_.reset();
}

void TCustomForm::WindowDestroyed() {
    // The window system took the window away; the backend turns every further call into nothing, so
    // only our own references to the mouse need to go.
    captureControl_ = nullptr;
    mouseControl_ = nullptr;
}

void TCustomForm::SetCaptureControl(TControl* control) {
    if (control == captureControl_)
        return;
    captureControl_ = control;
    if (window_ != nullptr)
        window_->SetCapture(control != nullptr);
}

void TCustomForm::ControlRemoved(TControl& control) {
    if (captureControl_ == &control)
        SetCaptureControl(nullptr);
    if (mouseControl_ == &control)
        mouseControl_ = nullptr;
    if (activeControl_ == &control)
        activeControl_ = nullptr;
    if (auto* windowed = dynamic_cast<TWinControl*>(&control))
        for (int i = 0; i < windowed->ControlCount(); ++i)
            ControlRemoved(*windowed->Controls(i));
}

void TCustomForm::InvalidateRect(const platform::Rect& rect) {
    if (window_ != nullptr)
        window_->Invalidate(zoom_.Device(rect));
}

void TCustomForm::ValidateRect(const platform::Rect& rect) {
    if (window_ != nullptr)
        window_->Validate(zoom_.Device(rect));
}

void TCustomForm::WindowPaint(const platform::Rect& rect) {
    // What is painted is whole layout pixels, which cover at least the device pixels asked for.
    if (!PaintWindowedChildren(zoom_.LayoutCover(rect)).Empty() && OnPaint)
        OnPaint(this);
}

TControl& TCustomForm::ControlAtFormPoint(int x, int y) {
    TControl* found = this;
    for (;;) {
        auto* windowed = dynamic_cast<TWinControl*>(found);
        if (windowed == nullptr)
            return *found;
        int ox = 0;
        int oy = 0;
        windowed->OriginInForm(ox, oy);
        TControl* child = windowed->ControlAtPos(x - ox, y - oy);
        if (child == nullptr)
            return *found;
        found = child;
    }
}

namespace {

// The top-left corner of a control in its form's client coordinates.
void controlOrigin(const TControl& control, int& x, int& y) {
    if (const auto* windowed = dynamic_cast<const TWinControl*>(&control)) {
        windowed->OriginInForm(x, y);
        return;
    }
    control.Parent()->OriginInForm(x, y);
    x += control.Left();
    y += control.Top();
}

TMouseButton buttonOf(platform::MouseButton button) {
    return button == platform::MouseButton::Left    ? mbLeft
           : button == platform::MouseButton::Right ? mbRight
                                                    : mbMiddle;
}

} // namespace

void TCustomForm::ShowCursorOf(const TControl* control) {
    // A held drag keeps the cursor it started with.
    if (window_ == nullptr || captureControl_ != nullptr)
        return;
    window_->SetCursor(control != nullptr && control->Cursor() == crHandPoint ? platform::Cursor::HandPoint
                                                                              : platform::Cursor::Arrow);
}

void TCustomForm::TrackMouseControl(TControl* control) {
    if (control == mouseControl_)
        return;
    TControl* previous = mouseControl_;
    mouseControl_ = control;
    if (previous != nullptr)
        previous->MouseLeave();
    // The leave handler may have removed the new control.
    if (mouseControl_ != control)
        return;
    if (control != nullptr)
        control->MouseEnter();
    ShowCursorOf(control);
}

platform::MouseEvent TCustomForm::LayoutEvent(const platform::MouseEvent& deviceEvent) const {
    platform::MouseEvent event = deviceEvent;
    event.x = zoom_.Layout(deviceEvent.x);
    event.y = zoom_.Layout(deviceEvent.y);
    return event;
}

void TCustomForm::WindowMouse(const platform::MouseEvent& deviceEvent) {
    const platform::MouseEvent event = LayoutEvent(deviceEvent);
    if (event.kind == platform::MouseEventKind::Leave) {
        if (captureControl_ == nullptr)
            TrackMouseControl(nullptr);
        return;
    }
    const bool inside = platform::Rect{0, 0, Width(), Height()}.Contains(event.x, event.y);
    TControl* under = inside ? &ControlAtFormPoint(event.x, event.y) : nullptr;
    TrackMouseControl(under);
    TControl* target = captureControl_ != nullptr ? captureControl_ : under;
    if (target == nullptr)
        return;
    int ox = 0;
    int oy = 0;
    controlOrigin(*target, ox, oy);
    const int x = event.x - ox;
    const int y = event.y - oy;
    const TShiftState shift = ShiftStateOf(event.modifiers);
    const TMouseButton button = buttonOf(event.button);
    switch (event.kind) {
    case platform::MouseEventKind::Press:
        if (target->IsWindowed())
            activeControl_ = static_cast<TWinControl*>(target);
        if (button == mbLeft) {
            target->SetMouseCapture(true);
            target->BeginPress();
            if ((event.modifiers & platform::modDouble) != 0 && target->OnDblClick)
                target->OnDblClick(target);
        }
        target->MouseDown(button, shift, x, y);
        break;
    case platform::MouseEventKind::Release:
        if (button == mbLeft) {
            target->SetMouseCapture(false);
            target->EndPress(x, y);
        }
        target->MouseUp(button, shift, x, y);
        // With the capture gone, the control under the mouse shows its cursor again.
        ShowCursorOf(mouseControl_);
        break;
    case platform::MouseEventKind::Move:
        target->MouseMove(shift, x, y);
        break;
    case platform::MouseEventKind::Leave:
        break;
    }
}

void TCustomForm::WindowKey(const platform::KeyEvent& event) {
    TControl& target = activeControl_ != nullptr ? static_cast<TControl&>(*activeControl_) : *this;
    const TShiftState shift = ShiftStateOf(event.modifiers);
    int key = event.key;
    char character = static_cast<char>(event.key);
    switch (event.kind) {
    case platform::KeyEventKind::Down:
        target.KeyDown(key, shift);
        break;
    case platform::KeyEventKind::Up:
        target.KeyUp(key, shift);
        break;
    case platform::KeyEventKind::Char:
        target.KeyPress(character);
        break;
    }
}

} // namespace toolkit
