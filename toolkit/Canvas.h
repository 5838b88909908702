// Drawing into a 32-bit pixel surface (blue, green, red, alpha; rows bottom-up) through a moved origin
// and a clip rectangle: how a windowless control paints into its container's back buffer without
// knowing where it sits or what else is there.
#pragma once

#include "platform/Window.h"
#include "toolkit/Colour.h"

#include <cstdint>

namespace platform {
struct TextCoverage;
}

namespace toolkit {

struct TPixelSurface {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};

struct TPictureData;

class TCanvas {
  public:
    // originX, originY: where the canvas's (0, 0) lies on the surface; clip in surface coordinates.
    TCanvas(TPixelSurface surface, int originX, int originY, platform::Rect clip);

    // The clip rectangle in canvas coordinates.
    platform::Rect ClipRect() const;
    // Fills rect (canvas coordinates) with an opaque colour; system colours resolve first.
    void FillRect(const platform::Rect& rect, TColor color);
    // Lays the colour over the surface through 8-bit coverage, its top-left corner at (x, y).
    void DrawCoverage(int x, int y, const platform::TextCoverage& coverage, TColor color);
    // Copies a picture (bottom row first) with its top-left corner at (x, y); alpha is kept as stored.
    void DrawPicture(int x, int y, const TPictureData& picture);

  private:
    std::uint32_t& At(int surfaceX, int surfaceY) const {
        return surface_
            .pixels[static_cast<std::size_t>(surface_.height - 1 - surfaceY) * surface_.width + surfaceX];
    }
    // rect (canvas coordinates) within the clip, in surface coordinates.
    platform::Rect Visible(const platform::Rect& rect) const;

    TPixelSurface surface_;
    int originX_;
    int originY_;
    platform::Rect clip_;
};

} // namespace toolkit
