#include "DIB/cDIBImage.h"

#include "toolkit/ClassRegistry.h"
#include "toolkit/PropertyTable.h"

namespace dib {

// ---- TCustomDIBImage

TCustomDIBImage::TCustomDIBImage(toolkit::TComponent* owner)
    : TCustomDIBControl(owner), indexMain_(&AddImageLink()) {
    SetAutoSize(false);
}

TCustomDIBImage::~TCustomDIBImage() = default;

void TCustomDIBImage::SetAngle(int value) {
    angle_ = static_cast<TAngle>(NormalizeAngle(value));
    AdjustSize();
    Invalidate();
}

void TCustomDIBImage::SetScale(long double value) {
    scale_ = value;
    SetStretch(false);
    AdjustSize();
    Invalidate();
}

void TCustomDIBImage::SetStretch(bool value) {
    stretch_ = value;
    // Stretching fills whatever size the control has; sizing the control to the picture would fight it.
    if (value)
        SetAutoSize(false);
    Invalidate();
}

void TCustomDIBImage::SetCenter(bool value) {
    if (value == center_)
        return;
    center_ = value;
    AdjustSize();
    Invalidate();
}

void TCustomDIBImage::ImageChanged(TDIBImageLink&) {
    AdjustSize();
    // Also after an auto-size: a new picture of the same size leaves the bounds, and so the screen, alone.
    Invalidate();
}

bool TCustomDIBImage::CanAutoSize(int& width, int& height) {
    if (!indexMain_->IsIndexValid())
        return false;
    const TMemoryDIB* image = indexMain_->GetImage();
    if (image == nullptr)
        return false;
    const TDIBSize size = RotatedSize(image->Width(), image->Height(), angle_, scale_, scale_);
    width = size.Width;
    height = size.Height;
    return true;
}

void TCustomDIBImage::PaintDIB(TAbstractSuperDIB& target) {
    TCustomDIBControl::PaintDIB(target);
    TMemoryDIB* image = indexMain_->GetImage(PaintZoom());
    if (image == nullptr)
        return;
    // The list's view: its settings are the item's until the next lookup, so they may be bent for this
    // one draw without touching the item.
    image->BeginUpdate();
    image->SetAutoSize(true);
    image->SetAngle(angle_);
    image->SetScale(scale_);
    if (stretch_) {
        image->SetScaleX(PaintWidth() * 100 / image->Width());
        image->SetScaleY(PaintHeight() * 100 / image->Height());
    }
    image->EndUpdate();
    const TDIBSize drawn =
        RotatedSize(image->Width(), image->Height(), angle_, image->ScaleX(), image->ScaleY());
    int x = 0;
    int y = 0;
    if (center_ && !AutoSize()) {
        x = PaintWidth() / 2 - drawn.Width / 2;
        y = PaintHeight() / 2 - drawn.Height / 2;
    }
    image->Draw(x, y, target);
}

// ---- TDIBImage

TDIBImage::TDIBImage(toolkit::TComponent* owner) : TCustomDIBImage(owner) {
    // Here rather than in the base: only now is this class's property table the one that is searched.
    for (const char* name : {"Angle", "AutoSize", "Center", "Opacity", "Scale", "Stretch"})
        RegisterTemplateProperty(name);
}

const toolkit::TPropertyTable& TDIBImage::PublishedProperties() const {
    using C = TCustomDIBImage;
    using namespace toolkit;
    static const TPropertyTable table(
        &TCustomDIBControl::PublishedProperties(),
        {ObjectProperty("IndexMain", &C::IndexMain), IntegerProperty("Angle", &C::Angle, &C::SetAngle, 0),
         FloatProperty("Scale", &C::Scale, &C::SetScale, 100.0L),
         BooleanProperty("Stretch", &C::Stretch, &C::SetStretch, false),
         BooleanProperty("Center", &C::Center, &C::SetCenter, false),
         BooleanProperty("AutoSize", &TCustomDIBControl::AutoSize, &TCustomDIBControl::SetAutoSize, false)});
    return table;
}

void RegisterDIBImageClasses(toolkit::TClassRegistry& registry) { registry.Register<TDIBImage>("TDIBImage"); }

} // namespace dib
