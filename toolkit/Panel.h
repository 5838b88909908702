// The panel: a windowed control with a colour, a bevel and a border, the base of containers that
// paint their own area (the skinned container paints it from its back buffer).
#pragma once

#include "toolkit/Colour.h"
#include "toolkit/WinControl.h"

#include <string>

namespace toolkit {

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBorderStyle { bsNoBorder, bsSingleBorder };

class TCustomPanel : public TWinControl {
  public:
    explicit TCustomPanel(TComponent* owner);

    std::string_view ClassName() const override { return "TCustomPanel"; }
    const TPropertyTable& PublishedProperties() const override;

    TColor Color() const { return color_; }
    void SetColor(TColor value);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value) { parentColor_ = value; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value) { caption_ = value; }
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value) { bevelInner_ = value; }
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value) { bevelOuter_ = value; }
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value) { bevelWidth_ = value; }
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value) { borderWidth_ = value; }
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value) { borderStyle_ = value; }

  private:
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    std::string caption_;
    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TBorderStyle borderStyle_ = bsNoBorder;
};

class TPanel : public TCustomPanel {
  public:
    using TCustomPanel::TCustomPanel;
    std::string_view ClassName() const override { return "TPanel"; }
};

} // namespace toolkit
