// The skinned container: a panel that owns an off-screen image of its whole client area (the back
// buffer) and one scratch image per child size, composes its children into the back buffer in child
// order on every paint and copies the painted rectangle out in one piece, so the skin never flickers.
// It also keeps the keyboard focus order of its skinned children.
#pragma once

#include "DIB/cDIB.h"
#include "toolkit/Panel.h"
#include "toolkit/Zoom.h"

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace toolkit {
class TClassRegistry;
}

namespace dib {

class TCustomDIBControl;

enum TBorderDrawPosition { bdOverControls = 0, bdUnderControls = 1 };

using TDIBPaintEvent = std::function<void(toolkit::TPersistent* Sender, TAbstractSuperDIB& Image)>;

class TCustomDIBContainer : public toolkit::TCustomPanel {
  public:
    explicit TCustomDIBContainer(toolkit::TComponent* owner);
    ~TCustomDIBContainer() override;

    std::string_view ClassName() const override { return "TCustomDIBContainer"; }
    const toolkit::TPropertyTable& PublishedProperties() const override;

    TBorderDrawPosition BorderDrawPosition() const { return borderDrawPosition_; }
    void SetBorderDrawPosition(TBorderDrawPosition value);
    // The optional skinned border; no border class exists here, so it is only kept.
    toolkit::TComponent* DIBBorder() const { return border_; }
    void SetDIBBorder(toolkit::TComponent* value);

    TWinDIB& BackBuffer() const { return *backBuffer_; }
    void SetBounds(int left, int top, int width, int height) override;
    void Loaded() override;

    // The paint cycle for rect (container coordinates, layout pixels). At the form's zoom the back
    // buffer and everything composed into it are in device pixels.
    void PaintWindow(const platform::Rect& rect) override;
    // The zoom of the form the container lies on.
    toolkit::TZoom Zoom() const;
    // The container's own fill: its colour over the paint rectangle, except where opaque children lie.
    // (A container paints into its back buffer, never onto a canvas as a plain control does.)
    using toolkit::TCustomPanel::Paint;
    virtual void Paint();
    // The rectangle being painted, empty outside a paint; and the same in device pixels.
    platform::Rect PaintRect() const { return paintRect_; }
    platform::Rect DevicePaintRect() const { return devicePaintRect_; }

    // Keyboard focus among the skinned children, in DIBTabOrder order.
    const std::vector<TCustomDIBControl*>& FocusList() const { return focusList_; }
    TCustomDIBControl* ActiveControl() const { return active_; }
    void SetActiveControl(TCustomDIBControl* control);
    // Next or previous enabled child, wrapping around.
    void FocusNext();
    void FocusPrevious();
    // Entering the container: the last child with Shift held, else the first. Leaving: none active.
    void Enter(bool shift);
    void Leave() { SetActiveControl(nullptr); }
    // Places control at index of the focus list (appended past the end, removed when negative) and
    // returns where it ended up, -1 for nowhere.
    int PlaceInFocusList(TCustomDIBControl& control, int index);

    void KeyDown(int& key, toolkit::TShiftState shift) override;
    void KeyPress(char& key) override;
    void KeyUp(int& key, toolkit::TShiftState shift) override;

    TDIBPaintEvent BeforePaint;
    TDIBPaintEvent AfterPaint;
    toolkit::TNotifyEvent OnActiveControlChange;

  protected:
    void ControlListChanged(toolkit::TControl& control, bool inserted) override;
    void Notification(toolkit::TComponent* component, toolkit::TOperation operation) override;

  private:
    // The scratch image for a child of that size, kept for the next paint.
    TWinDIB& ScratchFor(int width, int height);
    void BuildFocusList();
    void SizeBackBuffer();
    void PaintChild(toolkit::TControl& child);
    void FillExceptOpaqueChildren(const platform::Rect& rect);

    std::unique_ptr<TWinDIB> backBuffer_;
    std::map<std::pair<int, int>, std::unique_ptr<TWinDIB>> scratch_;
    platform::Rect paintRect_;
    platform::Rect devicePaintRect_;
    toolkit::TZoom zoom_;
    bool secondPass_ = false;
    TBorderDrawPosition borderDrawPosition_ = bdOverControls;
    toolkit::TComponent* border_ = nullptr;
    std::vector<TCustomDIBControl*> focusList_;
    TCustomDIBControl* active_ = nullptr;
};

class TDIBContainer : public TCustomDIBContainer {
  public:
    using TCustomDIBContainer::TCustomDIBContainer;
    std::string_view ClassName() const override { return "TDIBContainer"; }
};

// Adds TDIBContainer to a form reader's registry.
void RegisterDIBContainerClasses(toolkit::TClassRegistry& registry);

} // namespace dib
