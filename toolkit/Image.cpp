#include "toolkit/Image.h"

#include "toolkit/Canvas.h"
#include "toolkit/PropertyTable.h"

namespace toolkit {

TImage::TImage(TComponent* owner) : TControl(owner), picture_(std::make_unique<TPicture>()) {
    picture_->OnChange = [this](TPersistent*) { Changed(); };
    SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { picture_->OnChange = nullptr; }

const TPropertyTable& TImage::PublishedProperties() const {
    using C = TImage;
    static const TPropertyTable table(
        &TControl::PublishedProperties(),
        {BooleanProperty("Center", &C::Center, &C::SetCenter, false), ObjectProperty("Picture", &C::Picture),
         BooleanProperty("Transparent", &C::Transparent, &C::SetTransparent, false)});
    return table;
}

void TImage::SetCenter(bool value) {
    if (value == center_)
        return;
    center_ = value;
    Changed();
}

void TImage::SetZoomedPicture(int percent, TPictureData picture) {
    zoomed_[percent] = std::move(picture);
    Changed();
}

void TImage::Paint(TCanvas& canvas) {
    const TZoom& zoom = canvas.Zoom();
    const TPictureData* data = nullptr;
    if (zoom.IsUnit()) {
        if (!picture_->Bitmap()->Empty())
            data = &picture_->Bitmap()->Data();
    } else if (const auto found = zoomed_.find(zoom.Percent()); found != zoomed_.end()) {
        data = &found->second;
    }
    if (data == nullptr)
        return;
    if (!center_) {
        canvas.DrawPicture(0, 0, *data);
        return;
    }
    // Centred on the device pixels the widget covers.
    canvas.DrawPicture(0, 0, *data, (zoom.Device(Width()) - data->width) / 2,
                       (zoom.Device(Height()) - data->height) / 2);
}

} // namespace toolkit
