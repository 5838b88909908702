// A visual control: bounds inside its parent, visibility, enabled state, cursor, the mouse and click
// events, mouse capture and invalidation. A windowless control owns no window: it paints into a canvas
// its parent hands it and learns of the mouse from its parent.
#pragma once

#include "platform/Window.h"
#include "toolkit/Component.h"
#include "toolkit/PropertyTable.h"

#include <span>

#include <cstdint>
#include <functional>

namespace toolkit {

class TCanvas;
class TCustomForm;
class TWinControl;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

using TShiftState = std::uint32_t;
constexpr TShiftState ssShift = 1;
constexpr TShiftState ssAlt = 2;
constexpr TShiftState ssCtrl = 4;
constexpr TShiftState ssLeft = 8;
constexpr TShiftState ssRight = 16;
constexpr TShiftState ssMiddle = 32;
constexpr TShiftState ssDouble = 64;

TShiftState ShiftStateOf(unsigned platformModifiers);

using TCursor = std::int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crHandPoint = -21;
std::span<const TIdentEntry> CursorIdents();

using TMouseEvent =
    std::function<void(TPersistent* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TPersistent* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TPersistent* Sender, int& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TPersistent* Sender, char& Key)>;

class TControl : public TComponent {
  public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    std::string_view ClassName() const override { return "TControl"; }
    const TPropertyTable& PublishedProperties() const override;

    // ---- placement
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
    void SetTop(int value) { SetBounds(left_, value, width_, height_); }
    void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
    void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
    // Repaints the old and the new area; raises OnResize when the size changed.
    virtual void SetBounds(int left, int top, int width, int height);
    platform::Rect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
    platform::Rect ClientRect() const { return {0, 0, width_, height_}; }

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;
    // The form this control lies on, or null.
    TCustomForm* ParentForm() const;

    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool value);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor value) { cursor_ = value; }

    // ---- painting
    // Marks the control's rectangle of its parent's window for repaint.
    virtual void Invalidate();
    // A windowless control draws itself; the canvas origin is its top-left corner, clipped to it.
    virtual void Paint(TCanvas& canvas);
    virtual bool IsWindowed() const { return false; }
    // A control that covers its whole rectangle spares its parent the background fill beneath it.
    virtual bool IsOpaque() const { return false; }

    // ---- mouse (control coordinates)
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void Click();
    // The mouse came over the control or left it.
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    // While captured, every mouse event of the form reaches this control.
    bool MouseCapture() const;
    void SetMouseCapture(bool value);

    // ---- keys (from the form, when this control has the keyboard)
    virtual void KeyDown(int& key, TShiftState shift);
    virtual void KeyPress(char& key);
    virtual void KeyUp(int& key, TShiftState shift);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnResize;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

    // A left press and its release become a click when the release comes inside the control. The form
    // calls these around MouseDown and MouseUp.
    void BeginPress() { pressed_ = true; }
    void EndPress(int x, int y);

  protected:
    // A property that changes the picture: repaint unless still loading.
    void Changed();
    virtual void VisibleChanged() {}
    virtual void EnabledChanged() {}

  private:
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    TWinControl* parent_ = nullptr;
    bool visible_ = true;
    bool enabled_ = true;
    TCursor cursor_ = crDefault;
    bool pressed_ = false;
};

} // namespace toolkit
