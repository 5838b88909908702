// The text label: one line of text in a font and colour, on an opaque background unless transparent,
// left-aligned at its Left. With AutoSize (the default) it takes the size of its text, so a growing
// caption extends to the right while the top-left corner stays.
#pragma once

#include "platform/Font.h"
#include "toolkit/Control.h"
#include "toolkit/Font.h"

#include <memory>
#include <string>

namespace toolkit {

class TCustomLabel : public TControl {
  public:
    explicit TCustomLabel(TComponent* owner);
    ~TCustomLabel() override;

    std::string_view ClassName() const override { return "TCustomLabel"; }
    const TPropertyTable& PublishedProperties() const override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    TFont* Font() const { return font_.get(); }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value) { parentFont_ = value; }
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value) { parentColor_ = value; }

    void Paint(TCanvas& canvas) override;
    bool IsOpaque() const override { return !transparent_; }
    void Loaded() override;

  private:
    // Sizes the label to its text (an empty caption measures as one space, so the label keeps a
    // clickable height).
    void AdjustBounds();
    // The caption in device pixels at the zoom, no wider than the label there.
    platform::TextCoverage RenderZoomed(const TZoom& zoom) const;

    std::string caption_;
    bool autoSize_ = true;
    TColor color_ = clBtnFace;
    bool transparent_ = false;
    bool parentFont_ = true;
    bool parentColor_ = true;
    std::unique_ptr<TFont> font_;
    // The caption as last rendered; a paint reuses it until the caption or the font changes.
    platform::TextCoverage rendered_;
    bool renderedValid_ = false;
    TZoom renderedZoom_;
};

class TLabel : public TCustomLabel {
  public:
    using TCustomLabel::TCustomLabel;
    std::string_view ClassName() const override { return "TLabel"; }
};

} // namespace toolkit
