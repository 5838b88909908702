#include "toolkit/Colour.h"

#include "toolkit/Identifier.h"

#include <array>

namespace toolkit {

namespace {

constexpr TColor rgb(int r, int g, int b) { return r | g << 8 | b << 16; }

// The classic default scheme, by system-colour index.
constexpr std::array<TColor, 31> schemeColours = {
    rgb(192, 192, 192), // scroll bar
    rgb(0, 128, 128),   // desktop
    rgb(0, 0, 128),     // active caption
    rgb(128, 128, 128), // inactive caption
    rgb(192, 192, 192), // menu
    rgb(255, 255, 255), // window
    rgb(0, 0, 0),       // window frame
    rgb(0, 0, 0),       // menu text
    rgb(0, 0, 0),       // window text
    rgb(255, 255, 255), // caption text
    rgb(192, 192, 192), // active border
    rgb(192, 192, 192), // inactive border
    rgb(128, 128, 128), // application workspace
    rgb(0, 0, 128),     // highlight
    rgb(255, 255, 255), // highlight text
    rgb(192, 192, 192), // button face
    rgb(128, 128, 128), // button shadow
    rgb(128, 128, 128), // grey text
    rgb(0, 0, 0),       // button text
    rgb(192, 192, 192), // inactive caption text
    rgb(255, 255, 255), // button highlight
    rgb(0, 0, 0),       // 3-D dark shadow
    rgb(223, 223, 223), // 3-D light
    rgb(0, 0, 0),       // tooltip text
    rgb(255, 255, 225), // tooltip background
    rgb(192, 192, 192), // (unused index)
    rgb(0, 0, 128),     // hot-tracked item
    rgb(16, 132, 208),  // gradient of the active caption
    rgb(181, 181, 181), // gradient of the inactive caption
    rgb(0, 0, 128),     // menu highlight
    rgb(192, 192, 192), // menu bar
};

constexpr TIdentEntry colourNames[] = {
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clMoneyGreen", clMoneyGreen},
    {"clSkyBlue", clSkyBlue},
    {"clCream", clCream},
    {"clMedGray", clMedGray},
    {"clNone", clNone},
    {"clDefault", clDefault},
    {"clScrollBar", clScrollBar},
    {"clBackground", clBackground},
    {"clActiveCaption", clActiveCaption},
    {"clInactiveCaption", clInactiveCaption},
    {"clMenu", clMenu},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clMenuText", clMenuText},
    {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText},
    {"clActiveBorder", clActiveBorder},
    {"clInactiveBorder", clInactiveBorder},
    {"clAppWorkSpace", clAppWorkSpace},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clInactiveCaptionText", clInactiveCaptionText},
    {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight},
    {"clInfoText", clInfoText},
    {"clInfoBk", clInfoBk},
    {"clHotLight", clHotLight},
    {"clGradientActiveCaption", clGradientActiveCaption},
    {"clGradientInactiveCaption", clGradientInactiveCaption},
    {"clMenuHighlight", clMenuHighlight},
    {"clMenuBar", clMenuBar},
};

} // namespace

TColor ColorToRGB(TColor color) {
    if (color >= 0)
        return color;
    const auto index = static_cast<std::size_t>(color & 0xFF);
    return index < schemeColours.size() ? schemeColours[index] : clBlack;
}

std::optional<TColor> IdentToColor(std::string_view name) {
    for (const TIdentEntry& entry : colourNames)
        if (SameText(entry.name, name))
            return static_cast<TColor>(entry.value);
    return std::nullopt;
}

std::optional<std::string> ColorToIdent(TColor color) {
    for (const TIdentEntry& entry : colourNames)
        if (entry.value == color)
            return std::string(entry.name);
    return std::nullopt;
}

std::span<const TIdentEntry> ColourIdents() { return colourNames; }

} // namespace toolkit
