#include "toolkit/Font.h"

#include "platform/Font.h"
#include "toolkit/PropertyTable.h"

#include <algorithm>
#include <cstdlib>

namespace toolkit {

TFont::TFont() = default;
TFont::~TFont() = default;

const TPropertyTable& TFont::PublishedProperties() const {
    using C = TFont;
    static const TPropertyTable table(
        &TPersistent::PublishedProperties(),
        {IntegerProperty("Charset", &C::Charset, &C::SetCharset, 1),
         IntegerProperty("Color", &C::Color, &C::SetColor, clWindowText, ColourIdents()),
         IntegerProperty("Height", &C::Height, &C::SetHeight),
         StringProperty("Name", &C::Name, &C::SetName, std::string("MS Sans Serif")),
         SetProperty("Style", &C::Style, &C::SetStyle, {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"},
                     0u)});
    return table;
}

void TFont::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TFont*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    name_ = other->name_;
    height_ = other->height_;
    color_ = other->color_;
    style_ = other->style_;
    charset_ = other->charset_;
    Changed();
}

void TFont::SetName(const std::string& value) {
    if (value == name_)
        return;
    name_ = value;
    Changed();
}

void TFont::SetHeight(int value) {
    if (value == height_)
        return;
    height_ = value;
    Changed();
}

void TFont::SetColor(TColor value) {
    if (value == color_)
        return;
    color_ = value;
    Changed();
}

void TFont::SetStyle(std::uint32_t value) {
    if (value == style_)
        return;
    style_ = value;
    Changed();
}

void TFont::Changed() {
    face_.reset();
    faceTried_ = false;
    if (OnChange)
        OnChange(this);
}

const platform::Font* TFont::Face() const {
    if (!faceTried_) {
        faceTried_ = true;
        try {
            // The editor's forms give the character height as a negative number of pixels; a positive
            // height includes the internal leading, which is near enough the same for our sizes.
            face_ = platform::Font::Open(name_, std::max(1, std::abs(height_)), (style_ & fsBold) != 0,
                                         (style_ & fsItalic) != 0);
        } catch (const platform::FontError&) {
            face_.reset();
        }
    }
    return face_.get();
}

} // namespace toolkit
