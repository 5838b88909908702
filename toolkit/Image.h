// The picture widget: shows its picture unscaled from its top-left corner (or centred), clipped to
// its current size, so changing its height reveals or hides the lower part of the picture. A zoomed
// paint shows the picture given for that zoom, drawn afresh at it, or nothing when none was given.
#pragma once

#include "toolkit/Control.h"
#include "toolkit/Picture.h"

#include <map>
#include <memory>

namespace toolkit {

class TImage : public TControl {
  public:
    explicit TImage(TComponent* owner);
    ~TImage() override;

    std::string_view ClassName() const override { return "TImage"; }
    const TPropertyTable& PublishedProperties() const override;

    TPicture* Picture() const { return picture_.get(); }
    bool Center() const { return center_; }
    void SetCenter(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value) { transparent_ = value; }

    // The picture this widget shows at a zoom other than 100 %, in device pixels.
    void SetZoomedPicture(int percent, TPictureData picture);

    void Paint(TCanvas& canvas) override;

  private:
    std::map<int, TPictureData> zoomed_;
    std::unique_ptr<TPicture> picture_;
    bool center_ = false;
    bool transparent_ = false;
};

} // namespace toolkit
