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

void TImage::Paint(TCanvas& canvas) {
    const TBitmap& bitmap = *picture_->Bitmap();
    if (bitmap.Empty())
        return;
    const int x = center_ ? (Width() - bitmap.Width()) / 2 : 0;
    const int y = center_ ? (Height() - bitmap.Height()) / 2 : 0;
    canvas.DrawPicture(x, y, bitmap.Data());
}

} // namespace toolkit
