#include "toolkit/Label.h"

#include "platform/Font.h"
#include "toolkit/Canvas.h"
#include "toolkit/PropertyTable.h"

namespace toolkit {

TCustomLabel::TCustomLabel(TComponent* owner) : TControl(owner), font_(std::make_unique<TFont>()) {
    font_->OnChange = [this](TPersistent*) {
        renderedValid_ = false;
        AdjustBounds();
        Changed();
    };
    SetBounds(0, 0, 65, 17);
}

TCustomLabel::~TCustomLabel() { font_->OnChange = nullptr; }

const TPropertyTable& TCustomLabel::PublishedProperties() const {
    using C = TCustomLabel;
    static const TPropertyTable table(
        &TControl::PublishedProperties(),
        {BooleanProperty("AutoSize", &C::AutoSize, &C::SetAutoSize, true),
         StringProperty("Caption", &C::Caption, &C::SetCaption),
         IntegerProperty("Color", &C::Color, &C::SetColor, clBtnFace, ColourIdents()),
         ObjectProperty("Font", &C::Font),
         BooleanProperty("ParentColor", &C::ParentColor, &C::SetParentColor, true),
         BooleanProperty("ParentFont", &C::ParentFont, &C::SetParentFont, true),
         BooleanProperty("Transparent", &C::Transparent, &C::SetTransparent, false)});
    return table;
}

void TCustomLabel::SetCaption(const std::string& value) {
    if (value == caption_)
        return;
    caption_ = value;
    renderedValid_ = false;
    AdjustBounds();
    Changed();
}

void TCustomLabel::SetAutoSize(bool value) {
    if (value == autoSize_)
        return;
    autoSize_ = value;
    AdjustBounds();
}

void TCustomLabel::SetColor(TColor value) {
    if (value == color_)
        return;
    color_ = value;
    parentColor_ = false;
    Changed();
}

void TCustomLabel::SetTransparent(bool value) {
    if (value == transparent_)
        return;
    transparent_ = value;
    Changed();
}

void TCustomLabel::Loaded() {
    TControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::AdjustBounds() {
    if (!autoSize_ || Loading())
        return;
    const platform::Font* face = font_->Face();
    if (face == nullptr)
        return;
    const platform::TextExtent extent = face->Measure(caption_.empty() ? std::string(" ") : caption_);
    // Invalidate the old area before the label shrinks, so no stale text is left behind.
    Invalidate();
    SetBounds(Left(), Top(), extent.width, extent.height);
}

platform::TextCoverage TCustomLabel::RenderZoomed(const TZoom& zoom) const {
    // The label's size was measured at 100 %; zoomed text is not always zoomed exactly in width (the
    // glyphs are hinted afresh), so where it would be cut off a pixel or two smaller size is taken.
    const int deviceWidth = zoom.Device(Left() + Width()) - zoom.Device(Left());
    const int size = zoom.Device(std::abs(font_->Height()));
    platform::TextCoverage text;
    for (int pixels = size; pixels >= std::max(1, size - size / 8); --pixels) {
        const platform::Font* face = font_->FaceOfSize(pixels);
        if (face == nullptr)
            break;
        text = face->Render(caption_);
        if (zoom.IsUnit() || text.width <= deviceWidth)
            break;
    }
    return text;
}

void TCustomLabel::Paint(TCanvas& canvas) {
    if (!transparent_)
        canvas.FillRect(ClientRect(), color_);
    const platform::Font* face = font_->Face(canvas.Zoom());
    if (face == nullptr || caption_.empty())
        return;
    if (!renderedValid_ || renderedZoom_ != canvas.Zoom()) {
        rendered_ = RenderZoomed(canvas.Zoom());
        renderedValid_ = true;
        renderedZoom_ = canvas.Zoom();
    }
    canvas.DrawCoverage(0, 0, rendered_, font_->Color());
}

} // namespace toolkit
