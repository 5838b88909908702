// A font as a form stores it: family name, height in pixels (negative: the character height without
// internal leading, as the editor's forms give it), colour and style. The face itself is opened on
// first use and kept until a property changes.
#pragma once

#include "toolkit/Colour.h"
#include "toolkit/Persistent.h"
#include "toolkit/Zoom.h"

#include <map>
#include <memory>
#include <string>

namespace platform {
class Font;
}

namespace toolkit {

constexpr std::uint32_t fsBold = 1;
constexpr std::uint32_t fsItalic = 2;
constexpr std::uint32_t fsUnderline = 4;
constexpr std::uint32_t fsStrikeOut = 8;

class TFont : public TPersistent {
  public:
    TFont();
    ~TFont() override;

    std::string_view ClassName() const override { return "TFont"; }
    const TPropertyTable& PublishedProperties() const override;
    void Assign(const TPersistent& source) override;

    const std::string& Name() const { return name_; }
    void SetName(const std::string& value);
    int Height() const { return height_; }
    void SetHeight(int value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    std::uint32_t Style() const { return style_; }
    void SetStyle(std::uint32_t value);
    int Charset() const { return charset_; }
    void SetCharset(int value) { charset_ = value; }

    // The face at this font's size, or at that size zoomed; null when no face could be opened (then
    // nothing is drawn).
    const platform::Font* Face(TZoom zoom = {}) const;
    // The face of this font at another character height in pixels.
    const platform::Font* FaceOfSize(int pixelHeight) const;

    TNotifyEvent OnChange;

  private:
    void Changed();

    std::string name_ = "MS Sans Serif";
    int height_ = -11;
    TColor color_ = clWindowText;
    std::uint32_t style_ = 0;
    int charset_ = 1; // DEFAULT_CHARSET
    // By character height; a null face was tried and could not be opened.
    mutable std::map<int, std::unique_ptr<platform::Font>> faces_;
};

} // namespace toolkit
