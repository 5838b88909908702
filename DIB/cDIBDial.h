// The rotary knob of the skinned editor: a body image centred in the control and a pointer image placed
// on a circle around the centre, at an angle proportional to Position within Min..Max. The mouse turns
// it either by dragging along a straight line (linear style) or by pressing on the circle (circular
// style: a press on the pointer drags it, a press elsewhere steps towards the mouse, again every 50 ms
// while the button is held). Every assignment of Position raises OnChange.
//
// Angles are whole degrees measured clockwise from straight up (12 o'clock), as on the screen.
#pragma once

#include "DIB/cDIBControl.h"

#include <cstdint>
#include <memory>
#include <stdexcept>

namespace toolkit {
class TClassRegistry;
}

namespace dib {

class EDIBDialError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum TDIBDialMouseControlStyle { mcsCircular = 0, mcsLinear = 1 };
enum TDIBDialMouseLinearSensitivity { mlsVertical = 0, mlsHorizontal = 1, mlsBoth = 2 };

struct TDIBPoint {
    int X;
    int Y;
    bool operator==(const TDIBPoint&) const = default;
};

// The point at distance radius from (cx, cy) in the direction angle.
TDIBPoint PolarPoint(int cx, int cy, int radius, int angle);
// The direction of (x, y) seen from (cx, cy), 0..360; the centre itself gives 0 and a point straight
// above it 360. A point level with the centre takes its horizontal offset as the tangent, so one pixel
// to the right gives 135, not 90.
int PointAngle(int cx, int cy, int x, int y);

// Draws one frame of a horizontal strip of numGlyphs equal frames at (x, y) on target, the frame that
// value takes within min..max, cross-faded with its neighbour when the frame index is fractional. An
// index past either end takes the frame at the other end with wrap, else the end frame. The strip's
// own settings (angle, transparency, opacity...) apply to the blended frame.
void DrawGlyphFrame(TAbstractSuperDIB& strip, int x, int y, bool wrap, long double value, long double max,
                    long double min, TAbstractSuperDIB& target, int numGlyphs);

class TAbstractDIBDial;

// A group of knob settings. Every change ends in OnChange, which the owning dial points at its repaint.
class TDIBDialSettings : public toolkit::TPersistent {
  public:
    explicit TDIBDialSettings(TAbstractDIBDial* dial) : dial_(dial) {}

    std::string_view ClassName() const override { return "TDIBDialSettings"; }
    TAbstractDIBDial* Dial() const { return dial_; }

    toolkit::TNotifyEvent OnChange;

  protected:
    void Changed() {
        if (OnChange)
            OnChange(this);
    }

  private:
    TAbstractDIBDial* dial_;
};

// The pointer's sweep: its angle at Min (Start) and the angle from Min to Max (Range). Resolution is
// kept for the forms that store it; neither drawing nor the mouse use it.
class TCustomDIBDialPointerAngles : public TDIBDialSettings {
  public:
    using TDIBDialSettings::TDIBDialSettings;

    std::string_view ClassName() const override { return "TCustomDIBDialPointerAngles"; }
    void Assign(const toolkit::TPersistent& source) override;

    std::int32_t Start() const { return start_; }
    // 0..359, else EDIBDialError.
    void SetStart(std::int32_t value);
    std::int32_t Range() const { return range_; }
    // 1..360, else EDIBDialError. Resolution follows it, up or down.
    void SetRange(std::int32_t value);
    long double Resolution() const { return resolution_; }
    // 0..Range, else EDIBDialError.
    void SetResolution(long double value);

  private:
    std::int32_t start_ = 0;
    std::int32_t range_ = 360;
    long double resolution_ = 0;
};

class TDIBDialPointerAngles : public TCustomDIBDialPointerAngles {
  public:
    using TCustomDIBDialPointerAngles::TCustomDIBDialPointerAngles;
    std::string_view ClassName() const override { return "TDIBDialPointerAngles"; }
    const toolkit::TPropertyTable& PublishedProperties() const override;
};

// The pointer's opacity while it is dragged (Active) and otherwise (Normal).
class TCustomDIBDialPointerOpacities : public TDIBDialSettings {
  public:
    using TDIBDialSettings::TDIBDialSettings;

    std::string_view ClassName() const override { return "TCustomDIBDialPointerOpacities"; }
    void Assign(const toolkit::TPersistent& source) override;

    std::uint8_t Active() const { return active_; }
    void SetActive(std::uint8_t value);
    std::uint8_t Normal() const { return normal_; }
    void SetNormal(std::uint8_t value);

  private:
    std::uint8_t active_ = 255;
    std::uint8_t normal_ = 255;
};

class TDIBDialPointerOpacities : public TCustomDIBDialPointerOpacities {
  public:
    using TCustomDIBDialPointerOpacities::TCustomDIBDialPointerOpacities;
    std::string_view ClassName() const override { return "TDIBDialPointerOpacities"; }
    const toolkit::TPropertyTable& PublishedProperties() const override;
};

// The knob's state and behaviour; where the pointer points and how opaque it is come from a descendant.
// Setters that refuse a value throw EDIBDialError and leave the old one. Min, Max, PageSize and
// SmallChange accept anything while the form loads, so a stream may hold them in any order.
class TAbstractDIBDial : public TCustomDIBControl {
  public:
    explicit TAbstractDIBDial(toolkit::TComponent* owner);
    ~TAbstractDIBDial() override;

    std::string_view ClassName() const override { return "TAbstractDIBDial"; }

    // ---- value
    std::int32_t Min() const { return min_; }
    // Below Max; drags Position up with it.
    void SetMin(std::int32_t value);
    std::int32_t Max() const { return max_; }
    // Above Min; drags Position down with it.
    void SetMax(std::int32_t value);
    std::int32_t Position() const { return position_; }
    // Clamped to Min..Max; raises OnChange even when nothing changed, except while loading.
    void SetPosition(std::int32_t value);
    // The steps of a circular-style press near the pointer (small) and far from it (page).
    std::int32_t SmallChange() const { return smallChange_; }
    void SetSmallChange(std::int32_t value);
    std::int32_t PageSize() const { return pageSize_; }
    void SetPageSize(std::int32_t value);

    // ---- look
    TDIBImageLink* IndexMain() const { return indexMain_; }
    TDIBImageLink* IndexPointer() const { return indexPointer_; }
    // The pointer image is a strip of this many equal frames; at least 1.
    std::int32_t PointerNumGlyphs() const { return pointerNumGlyphs_; }
    void SetPointerNumGlyphs(std::int32_t value);
    // The pointer centre's distance from the knob centre; 0 or less derives it from the size.
    std::int32_t PointerRadius() const { return pointerRadius_; }
    void SetPointerRadius(std::int32_t value);
    bool PointerRotate() const { return pointerRotate_; }
    void SetPointerRotate(bool value);

    // ---- mouse
    TDIBDialMouseControlStyle MouseControlStyle() const { return mouseControlStyle_; }
    void SetMouseControlStyle(TDIBDialMouseControlStyle value) { mouseControlStyle_ = value; }
    TDIBDialMouseLinearSensitivity MouseLinearSensitivity() const { return mouseLinearSensitivity_; }
    void SetMouseLinearSensitivity(TDIBDialMouseLinearSensitivity value) { mouseLinearSensitivity_ = value; }
    // Pixels of linear drag per position step; above 0.
    long double HorizontalPixelsPerPosition() const { return horizontalPixelsPerPosition_; }
    void SetHorizontalPixelsPerPosition(long double value);
    long double VerticalPixelsPerPosition() const { return verticalPixelsPerPosition_; }
    void SetVerticalPixelsPerPosition(long double value);
    bool Dragging() const { return dragging_; }

    // ---- geometry
    // The pointer's angle at the current Position.
    virtual int PointerAngle() const = 0;
    // The position the mouse at (x, y) asks for: circular style by its angle around the centre
    // (clamped to Min..Max), linear style by its distance from the last press (not clamped).
    std::int32_t GetPositionAt(int x, int y) const;
    // Where the pointer frame is drawn, inclusive edges in control coordinates; empty without a pointer
    // image.
    TDIBClipRect PointerRect() const;

    void MouseDown(toolkit::TMouseButton button, toolkit::TShiftState shift, int x, int y) override;
    void MouseMove(toolkit::TShiftState shift, int x, int y) override;
    void MouseUp(toolkit::TMouseButton button, toolkit::TShiftState shift, int x, int y) override;

    toolkit::TNotifyEvent OnChange;

  protected:
    virtual std::int32_t StartAngle() const = 0;
    virtual std::int32_t RangeAngle() const = 0;
    virtual std::uint8_t ActiveOpacity() const = 0;
    virtual std::uint8_t NormalOpacity() const = 0;

    bool CanAutoSize(int& width, int& height) override;
    void PaintDIB(TAbstractSuperDIB& target) override;

  private:
    TDIBClipRect PointerRectFor(int pointerWidth, int pointerHeight, int angle) const;
    void StartDrag();
    void Step(std::int32_t wanted, bool page);

    TDIBImageLink* indexMain_;    // owned by the base control, like every image link
    TDIBImageLink* indexPointer_; // likewise
    std::int32_t min_ = 0;
    std::int32_t max_ = 100;
    std::int32_t position_ = 0;
    std::int32_t smallChange_ = 1;
    std::int32_t pageSize_ = 1;
    std::int32_t pointerNumGlyphs_ = 1;
    std::int32_t pointerRadius_ = -1;
    bool pointerRotate_ = false;
    TDIBDialMouseControlStyle mouseControlStyle_ = mcsCircular;
    TDIBDialMouseLinearSensitivity mouseLinearSensitivity_ = mlsBoth;
    long double horizontalPixelsPerPosition_ = 1;
    long double verticalPixelsPerPosition_ = 1;

    // The drag: set by a left press that hits the drag zone, cleared by the left release. The origin is
    // the Position and mouse point of the last left press (a repeated press counts as one).
    bool dragging_ = false;
    std::int32_t originPosition_ = 0;
    int originX_ = 0;
    int originY_ = 0;
};

// The knob with its settings objects and the rule from Position to the pointer angle.
class TCustomDIBDial : public TAbstractDIBDial {
  public:
    explicit TCustomDIBDial(toolkit::TComponent* owner);
    ~TCustomDIBDial() override;

    std::string_view ClassName() const override { return "TCustomDIBDial"; }

    TDIBDialPointerAngles* PointerAngles() const { return pointerAngles_.get(); }
    // Copies the values into the knob's own object.
    void SetPointerAngles(const TCustomDIBDialPointerAngles& value) { pointerAngles_->Assign(value); }
    TDIBDialPointerOpacities* PointerOpacities() const { return pointerOpacities_.get(); }
    void SetPointerOpacities(const TCustomDIBDialPointerOpacities& value) {
        pointerOpacities_->Assign(value);
    }

    int PointerAngle() const override;

  protected:
    std::int32_t StartAngle() const override { return pointerAngles_->Start(); }
    std::int32_t RangeAngle() const override { return pointerAngles_->Range(); }
    std::uint8_t ActiveOpacity() const override { return pointerOpacities_->Active(); }
    std::uint8_t NormalOpacity() const override { return pointerOpacities_->Normal(); }

  private:
    std::unique_ptr<TDIBDialPointerAngles> pointerAngles_;
    std::unique_ptr<TDIBDialPointerOpacities> pointerOpacities_;
};

class TDIBDial : public TCustomDIBDial {
  public:
    explicit TDIBDial(toolkit::TComponent* owner);

    std::string_view ClassName() const override { return "TDIBDial"; }
    const toolkit::TPropertyTable& PublishedProperties() const override;
};

// Adds the knob's class to a form reader's registry.
void RegisterDIBDialClasses(toolkit::TClassRegistry& registry);

} // namespace dib
