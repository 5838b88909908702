#include "toolkit/Panel.h"

#include "toolkit/PropertyTable.h"

namespace toolkit {

TCustomPanel::TCustomPanel(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 185, 41); }

const TPropertyTable& TCustomPanel::PublishedProperties() const {
    using C = TCustomPanel;
    const std::vector<std::string> cuts = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};
    static const TPropertyTable table(
        &TWinControl::PublishedProperties(),
        {IntegerProperty("Color", &C::Color, &C::SetColor, clBtnFace, ColourIdents()),
         BooleanProperty("ParentColor", &C::ParentColor, &C::SetParentColor, false),
         StringProperty("Caption", &C::Caption, &C::SetCaption),
         EnumProperty("BevelInner", &C::BevelInner, &C::SetBevelInner, cuts, bvNone),
         EnumProperty("BevelOuter", &C::BevelOuter, &C::SetBevelOuter, cuts, bvRaised),
         IntegerProperty("BevelWidth", &C::BevelWidth, &C::SetBevelWidth, 1),
         IntegerProperty("BorderWidth", &C::BorderWidth, &C::SetBorderWidth, 0),
         EnumProperty("BorderStyle", &C::BorderStyle, &C::SetBorderStyle,
                      std::vector<std::string>{"bsNone", "bsSingle"}, bsNoBorder)});
    return table;
}

void TCustomPanel::SetColor(TColor value) {
    if (value == color_)
        return;
    color_ = value;
    parentColor_ = false;
    Changed();
}

} // namespace toolkit
