// The windowless skinned control: it lives in a skinned container and paints into an off-screen image
// the container hands it (holding the background beneath it already), which the container then lays
// over its back buffer with the control's Opacity. Common to every skinned control: creation rules,
// image links to an image list, mouse bookkeeping with enter and leave, press auto-repeat, keyboard
// focus order, and the names of the properties that make up its look (its template).
#pragma once

#include "DIB/cDIB.h"
#include "DIB/cDIBImageList.h"
#include "DIB/cDIBTimer.h"
#include "toolkit/Collection.h"
#include "toolkit/Control.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace dib {

class TCustomDIBContainer;

class EDIBControlError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Behaviour add-ons and moving children: not used by the editor, so their items carry nothing, but
// forms store them (empty).
class TDIBFeatureItem : public toolkit::TCollectionItem {
  public:
    using TCollectionItem::TCollectionItem;
    std::string_view ClassName() const override { return "TDIBFeatureItem"; }
};

class TDIBChildItem : public toolkit::TCollectionItem {
  public:
    using TCollectionItem::TCollectionItem;
    std::string_view ClassName() const override { return "TDIBChildItem"; }
};

class TCustomDIBControl : public toolkit::TControl {
  public:
    // Throws std::runtime_error "Owner cannot be nil" without an owner, and "Parent must be a
    // TDIBContainer" when the owner neither is a container nor owns one.
    explicit TCustomDIBControl(toolkit::TComponent* owner);
    ~TCustomDIBControl() override;

    std::string_view ClassName() const override { return "TCustomDIBControl"; }
    const toolkit::TPropertyTable& PublishedProperties() const override;

    // A parent that is not a container is replaced by the first container among its components.
    void SetParent(toolkit::TWinControl* parent) override;
    TCustomDIBContainer* Container() const;

    std::uint8_t Opacity() const { return opacity_; }
    void SetOpacity(std::uint8_t value);
    TCustomDIBImageList* DIBImageList() const { return imageList_; }
    // Passed on to every image link of the control.
    void SetDIBImageList(TCustomDIBImageList* value);
    std::int16_t DIBTabOrder() const { return tabOrder_; }
    void SetDIBTabOrder(std::int16_t value);
    // With Alt, a matching key clicks the control; "\0" for none.
    std::string Accelerator() const { return std::string(1, accelerator_); }
    void SetAccelerator(const std::string& value);
    char AcceleratorKey() const { return accelerator_; }
    toolkit::TCollection* DIBFeatures() const { return &features_; }
    toolkit::TCollection* Children() const { return &children_; }

    // Size from the control's images (the AutoSize query); off unless a descendant turns it on.
    bool AutoSize() const { return autoSize_; }
    virtual void SetAutoSize(bool value);
    void SetBounds(int left, int top, int width, int height) override;

    // Press auto-repeat: a held left button re-delivers its press every interval.
    bool AutoRepeat() const { return autoRepeat_; }
    void SetAutoRepeat(bool value) { autoRepeat_ = value; }
    int RepeatInterval() const { return repeatInterval_; }
    void SetRepeatInterval(int value) { repeatInterval_ = value; }
    bool RepeatTimerRunning() const { return repeatTimer_.Running(); }
    // Ends the repetition at its next tick, without another press.
    void StopRepeatAtNextTick() { stopRepeatAtNextTick_ = true; }

    // Mouse state.
    bool Inside() const { return inside_; }
    bool Hot() const { return hot_; }
    bool Focused() const { return focused_; }
    toolkit::TShiftState LastShift() const { return lastShift_; }
    bool ButtonPressed(toolkit::TMouseButton button) const { return (pressedButtons_ & (1u << button)) != 0; }

    // The names of the published properties that make up the control's look.
    const std::vector<std::string>& TemplateProperties() const { return templateProperties_; }

    // The container paints the control: the background under it is copied into target, the control
    // draws into target (only within clip, target's coordinates), and target is laid over backBuffer
    // with the control's Opacity. At a zoom, backBuffer and target are in device pixels: target holds
    // the device rectangle of the control's bounds.
    void PaintSkinned(TAbstractSuperDIB& backBuffer, TAbstractSuperDIB& target, const TDIBClipRect& clip,
                      const toolkit::TZoom& zoom = {});
    // The zoom of the current paint, and the control's size in its device pixels.
    const toolkit::TZoom& PaintZoom() const { return paintZoom_; }
    int PaintWidth() const { return paintZoom_.Device(Left() + Width()) - paintZoom_.Device(Left()); }
    int PaintHeight() const { return paintZoom_.Device(Top() + Height()) - paintZoom_.Device(Top()); }
    // The image of the current paint, or null outside one.
    TAbstractSuperDIB* Target() const { return target_; }
    // A chance to ask for a larger paint rectangle (container coordinates); none here does.
    virtual platform::Rect EnlargePaintRect(const platform::Rect& rect) const { return rect; }

    // Focus, as the container's focus list moves it.
    void SetFocused(bool value);
    // Clicks the control when key (with Alt) is its accelerator and it may take it.
    bool TryAccelerator(char key);

    // toolkit mouse and key handling
    void MouseDown(toolkit::TMouseButton button, toolkit::TShiftState shift, int x, int y) override;
    void MouseMove(toolkit::TShiftState shift, int x, int y) override;
    void MouseUp(toolkit::TMouseButton button, toolkit::TShiftState shift, int x, int y) override;
    void Click() override;
    void MouseEnter() override;
    void MouseLeave() override;
    void Loaded() override;

    toolkit::TNotifyEvent OnMouseEnter;
    toolkit::TNotifyEvent OnMouseLeave;
    toolkit::TNotifyEvent OnEnter;
    toolkit::TNotifyEvent OnExit;
    toolkit::TNotifyEvent OnPaintStart;
    toolkit::TNotifyEvent OnPaintEnd;
    // Unpublished: the base control's own drawing, for code that skins a plain control.
    std::function<void(toolkit::TPersistent* Sender, TAbstractSuperDIB& Target)> OnPaint;

  protected:
    // A new image link of this control; the control frees it. Its changes call ImageChanged.
    TDIBImageLink& AddImageLink();
    // An image of one of the control's links changed: re-apply auto-size, or repaint.
    virtual void ImageChanged(TDIBImageLink& link);
    // The size the control's images give it; false leaves the size alone.
    virtual bool CanAutoSize(int& width, int& height);
    void AdjustSize();

    // The paint hooks, in this order.
    virtual void PaintStart();
    virtual void PaintDIB(TAbstractSuperDIB& target);
    virtual void PaintEnd();
    // Highlight hooks for skins that glow under the mouse; empty here.
    virtual void HighlightOn() {}
    virtual void HighlightOff() {}

    // Throws EDIBControlError when name is not a published property of a kind a template can hold.
    void RegisterTemplateProperty(const std::string& name);

    void Notification(toolkit::TComponent* component, toolkit::TOperation operation) override;
    void EnabledChanged() override;

  private:
    void RepeatTick();
    void ApplyTabOrder();

    std::uint8_t opacity_ = 255;
    TCustomDIBImageList* imageList_ = nullptr;
    std::vector<std::unique_ptr<TDIBImageLink>> links_;
    std::int16_t tabOrder_ = -1;
    char accelerator_ = '\0';
    mutable toolkit::TCollection features_;
    mutable toolkit::TCollection children_;
    bool autoSize_ = false;
    TAbstractSuperDIB* target_ = nullptr;
    toolkit::TZoom paintZoom_;

    bool autoRepeat_ = false;
    int repeatInterval_ = 250;
    TDIBTimer repeatTimer_;
    bool stopRepeatAtNextTick_ = false;
    // The stored press that a repeat re-delivers, kept current by mouse moves.
    toolkit::TShiftState repeatShift_ = 0;
    int repeatX_ = 0;
    int repeatY_ = 0;

    unsigned pressedButtons_ = 0;
    toolkit::TShiftState lastShift_ = 0;
    int lastX_ = 0;
    int lastY_ = 0;
    bool inside_ = false;
    bool hot_ = false;
    bool focused_ = false;

    std::vector<std::string> templateProperties_;
};

} // namespace dib
