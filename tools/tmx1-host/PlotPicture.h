// A picture to draw a chart in: opaque fills, translucent shading, anti-aliased lines and text, on
// the toolkit's 32-bit pixels. Coordinates are pixels from the top-left corner, as on a canvas; a
// point (x, y) with fractions lies inside the pixel that covers it, so (10.5, 3.5) is the centre of
// pixel (10, 3).
#pragma once

#include "platform/Window.h"
#include "toolkit/Colour.h"
#include "toolkit/PictureFile.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace platform {
class Font;
}

namespace host {

// A colour written as style sheets write it, 0xRRGGBB, as the toolkit's 0x00BBGGRR.
constexpr toolkit::TColor plotColour(std::uint32_t rgb) {
    return static_cast<toolkit::TColor>((rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF));
}

struct PlotPoint {
    float x;
    float y;
};

class PlotPicture {
  public:
    PlotPicture(int width, int height, toolkit::TColor background);

    int width() const { return data.width; }
    int height() const { return data.height; }
    const toolkit::TPictureData& picture() const { return data; }

    void fillRect(const platform::Rect& rect, toolkit::TColor colour);
    // Lays `colour` over the rectangle, `opacity` 0 (nothing) to 1 (covers it).
    void shadeRect(const platform::Rect& rect, toolkit::TColor colour, float opacity);
    // Shades column x between two heights, the partly covered pixels at either end in part.
    void shadeColumn(int x, float top, float bottom, toolkit::TColor colour, float opacity);
    // A line `width` pixels wide through the points, with soft edges; each pixel is covered once,
    // so joints do not show darker. Nothing is drawn outside `clip`.
    void strokeLine(std::span<const PlotPoint> points, float width, toolkit::TColor colour,
                    const platform::Rect& clip);
    // Text with the top-left corner of its box at (x, y).
    void drawText(const platform::Font& font, std::string_view utf8, int x, int y, toolkit::TColor colour);
    // Text turned a quarter anticlockwise, reading upwards, its box's top-left corner at (x, y).
    void drawTextUpwards(const platform::Font& font, std::string_view utf8, int x, int y,
                         toolkit::TColor colour);

  private:
    void blend(int x, int y, toolkit::TColor colour, float opacity);

    toolkit::TPictureData data;
};

} // namespace host
