// The image control: one image of an image list shown inside the control's bounds, optionally turned,
// scaled, stretched to fill the control or centred in it. It has no mouse or keyboard behaviour of its
// own beyond the click of every skinned control, so with no image at all it serves as an invisible click
// area; with its Opacity switched between 0 and 255 it serves as a lamp over the background.
#pragma once

#include "DIB/cDIBControl.h"

namespace toolkit {
class TClassRegistry;
}

namespace dib {

class TCustomDIBImage : public TCustomDIBControl {
  public:
    explicit TCustomDIBImage(toolkit::TComponent* owner);
    ~TCustomDIBImage() override;

    std::string_view ClassName() const override { return "TCustomDIBImage"; }

    // The image shown; DIBIndex -1 shows none.
    TDIBImageLink* IndexMain() const { return indexMain_; }
    // Degrees clockwise; like an image's own angle, a value past 359 is brought into 0..359 by whole turns.
    TAngle Angle() const { return angle_; }
    void SetAngle(int value);
    // Percent, for width and height alike. Setting it turns Stretch off.
    long double Scale() const { return scale_; }
    void SetScale(long double value);
    // Width and height scaled separately so that the picture fills the control. Turning it on turns
    // AutoSize off.
    bool Stretch() const { return stretch_; }
    void SetStretch(bool value);
    // The picture centred in the control; without effect while AutoSize fits the control to it.
    bool Center() const { return center_; }
    void SetCenter(bool value);

  protected:
    void ImageChanged(TDIBImageLink& link) override;
    bool CanAutoSize(int& width, int& height) override;
    void PaintDIB(TAbstractSuperDIB& target) override;

  private:
    TDIBImageLink* indexMain_; // owned by the base control, like every image link
    TAngle angle_ = 0;
    long double scale_ = 100;
    bool stretch_ = false;
    bool center_ = false;
};

class TDIBImage : public TCustomDIBImage {
  public:
    explicit TDIBImage(toolkit::TComponent* owner);

    std::string_view ClassName() const override { return "TDIBImage"; }
    const toolkit::TPropertyTable& PublishedProperties() const override;
};

// Adds the image control's class to a form reader's registry.
void RegisterDIBImageClasses(toolkit::TClassRegistry& registry);

} // namespace dib
