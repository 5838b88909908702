#include "toolkit/WinControl.h"

#include "toolkit/Form.h"
#include "toolkit/PropertyTable.h"

#include <algorithm>

namespace toolkit {

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
    MarkDestroying();
    // Children are owned by the form, not by their parent: they may outlive it.
    while (!controls_.empty())
        controls_.back()->SetParent(nullptr);
}

const TPropertyTable& TWinControl::PublishedProperties() const {
    using C = TWinControl;
    static const TPropertyTable table(
        &TControl::PublishedProperties(),
        {BooleanProperty("TabStop", &C::TabStop, &C::SetTabStop, false),
         BooleanProperty("DoubleBuffered", &C::DoubleBuffered, &C::SetDoubleBuffered, false),
         EventProperty("OnKeyDown", &TControl::OnKeyDown), EventProperty("OnKeyPress", &TControl::OnKeyPress),
         EventProperty("OnKeyUp", &TControl::OnKeyUp)});
    return table;
}

void TWinControl::GetChildren(const std::function<void(TComponent&)>& proc, const TComponent& root) const {
    for (TControl* control : controls_)
        if (control->Owner() == &root)
            proc(*control);
}

TControl* TWinControl::ControlAtPos(int x, int y) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* control = *it;
        if (control->Visible() && control->Enabled() && control->BoundsRect().Contains(x, y))
            return control;
    }
    return nullptr;
}

void TWinControl::InvalidateRect(const platform::Rect& rect) {
    if (Parent() != nullptr && Visible())
        Parent()->InvalidateRect(platform::Intersection(platform::Offset(rect, Left(), Top()), BoundsRect()));
}

void TWinControl::ValidateRect(const platform::Rect& rect) {
    if (Parent() != nullptr)
        Parent()->ValidateRect(platform::Offset(rect, Left(), Top()));
}

void TWinControl::PaintWindow(const platform::Rect& rect) { PaintWindowedChildren(rect); }

platform::Rect TWinControl::PaintWindowedChildren(const platform::Rect& rect) {
    platform::Rect uncovered = rect;
    for (TControl* control : controls_) {
        if (!control->IsWindowed() || !control->Visible())
            continue;
        const platform::Rect part = platform::Intersection(rect, control->BoundsRect());
        if (part.Empty())
            continue;
        static_cast<TWinControl*>(control)->PaintWindow(
            platform::Offset(part, -control->Left(), -control->Top()));
        if (part == uncovered)
            uncovered = {};
    }
    return uncovered;
}

void TWinControl::OriginInForm(int& x, int& y) const {
    x = 0;
    y = 0;
    for (const TControl* control = this;
         control != nullptr && dynamic_cast<const TCustomForm*>(control) == nullptr;
         control = control->Parent()) {
        x += control->Left();
        y += control->Top();
    }
}

void TWinControl::PresentBuffer(const platform::PixelMemory& buffer, const platform::Rect& rect) const {
    TCustomForm* form = ParentForm();
    if (form == nullptr || form->Window() == nullptr)
        return;
    int x = 0;
    int y = 0;
    OriginInForm(x, y);
    // buffer and rect are in device pixels, the origin in layout pixels.
    const TZoom& zoom = form->Zoom();
    form->Window()->Present(buffer, rect, zoom.Device(x) + rect.Left, zoom.Device(y) + rect.Top);
}

void TWinControl::InsertControl(TControl& control) {
    controls_.push_back(&control);
    ControlListChanged(control, true);
}

void TWinControl::RemoveControl(TControl& control) {
    const auto found = std::find(controls_.begin(), controls_.end(), &control);
    if (found == controls_.end())
        return;
    controls_.erase(found);
    ControlListChanged(control, false);
}

void TWinControl::ControlListChanged(TControl&, bool) {}

} // namespace toolkit
