// A control that holds other controls: its children in child order (later ones lie over earlier
// ones), the routing of invalid rectangles up to the native window, and the paint request that a
// windowed control answers for its own rectangle. Only the form owns a native window; a windowed
// control inside it (a panel) shares it and paints its area of it.
#pragma once

#include "toolkit/Control.h"

#include <vector>

namespace toolkit {

class TWinControl : public TControl {
  public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    std::string_view ClassName() const override { return "TWinControl"; }
    const TPropertyTable& PublishedProperties() const override;
    bool IsWindowed() const override { return true; }

    // Children, in child order.
    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(static_cast<std::size_t>(index)); }
    void GetChildren(const std::function<void(TComponent&)>& proc, const TComponent& root) const override;
    // The topmost visible, enabled child whose rectangle holds the point (this control's coordinates), or
    // null.
    TControl* ControlAtPos(int x, int y) const;

    // rect in this control's coordinates.
    virtual void InvalidateRect(const platform::Rect& rect);
    virtual void ValidateRect(const platform::Rect& rect);
    // Paints rect (this control's coordinates) and copies it to the screen: the windowed children that
    // meet it paint their parts.
    virtual void PaintWindow(const platform::Rect& rect);
    // Copies rect of a back buffer of this control's size to the screen at the control's place; the
    // buffer and rect are in the form's device pixels.
    void PresentBuffer(const platform::PixelMemory& buffer, const platform::Rect& rect) const;
    // This control's top-left corner in its form's client coordinates.
    void OriginInForm(int& x, int& y) const;

    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value) { tabStop_ = value; }
    bool DoubleBuffered() const { return doubleBuffered_; }
    void SetDoubleBuffered(bool value) { doubleBuffered_ = value; }

  protected:
    // A child was added or removed.
    virtual void ControlListChanged(TControl& control, bool inserted);
    // Paints the windowed children that meet rect; returns the part of rect they left uncovered.
    platform::Rect PaintWindowedChildren(const platform::Rect& rect);

  private:
    friend class TControl;
    void InsertControl(TControl& control);
    void RemoveControl(TControl& control);

    std::vector<TControl*> controls_;
    bool tabStop_ = false;
    bool doubleBuffered_ = false;
};

} // namespace toolkit
