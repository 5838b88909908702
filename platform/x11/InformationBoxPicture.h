// What the X11 information box shows, composed in memory in the dark look of the plug-in's panel: an
// accent strip, an information mark, the title as a heading, the text wrapped to the box's width, and
// the OK button as the user sees it at that moment. The window only copies these pixels out.
#pragma once

#include "platform/Font.h"
#include "platform/Window.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::x11 {

// The states of the OK button that the picture shows.
struct ButtonLook {
    bool hover = false;   // the pointer is over it
    bool pressed = false; // the left button went down on it and the pointer is still over it
    bool focused = false; // the box has the keyboard, so Enter presses it
};

class InformationBoxPicture {
  public:
    // Lays the text out once. Throws FontError when no font face is installed at all.
    InformationBoxPicture(const std::string& title, const std::string& text);

    int Width() const { return width_; }
    int Height() const { return height_; }
    Rect Button() const { return button_; }
    // Width() × Height() pixels, 0x00RRGGBB, rows top-down. The reference stays valid (same buffer,
    // same size) for the picture's life.
    const std::vector<std::uint32_t>& Paint(const ButtonLook& look);

  private:
    void Lay(const std::string& title, const std::string& text);
    void PaintBase();
    void PaintButton(const ButtonLook& look);

    std::unique_ptr<Font> headingFont_;
    std::unique_ptr<Font> bodyFont_;
    std::unique_ptr<Font> buttonFont_;
    TextCoverage heading_;
    std::vector<TextCoverage> lines_;
    int width_ = 0;
    int height_ = 0;
    int textTop_ = 0; // where the first body line starts
    Rect button_;
    std::vector<std::uint32_t> base_;   // everything but the button, painted once
    std::vector<std::uint32_t> pixels_; // base_ with the button in its current look
};

// Splits text into lines that Measure no wider than width: at spaces, at every line break, and inside a
// word only where the word alone is wider than the line. An empty paragraph stays an empty line.
std::vector<std::string> WrapText(const Font& font, std::string_view text, int width);

} // namespace platform::x11
