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
    faces_.clear();
    if (OnChange)
        OnChange(this);
}

const platform::Font* TFont::Face(TZoom zoom) const { return FaceOfSize(zoom.Device(std::abs(height_))); }

const platform::Font* TFont::FaceOfSize(int pixelHeight) const {
    pixelHeight = std::max(1, pixelHeight);
    auto found = faces_.find(pixelHeight);
    if (found == faces_.end()) {
        std::unique_ptr<platform::Font> face;
        try {
            // The editor's forms give the character height as a negative number of pixels; a positive
            // height includes the internal leading, which is near enough the same for our sizes.
            face = platform::Font::Open(name_, pixelHeight, (style_ & fsBold) != 0, (style_ & fsItalic) != 0);
        } catch (const platform::FontError&) {
            // Kept as tried: nothing is drawn in this font until a property changes.
        }
        found = faces_.emplace(pixelHeight, std::move(face)).first;
    }
    return found->second.get();
}

} // namespace toolkit
