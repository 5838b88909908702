// Drawing into a 32-bit pixel surface (blue, green, red, alpha; rows bottom-up) through a moved origin
// and a clip rectangle: how a windowless control paints into its container's back buffer without
// knowing where it sits or what else is there. A zoomed canvas takes places and rectangles in layout
// pixels and draws them on the device edges they map to; text coverage and pictures come in device
// pixels already (made at the zoom), and only their top-left corner is mapped.
#pragma once

#include "platform/Window.h"
#include "toolkit/Colour.h"
#include "toolkit/Zoom.h"

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
    // originX, originY: where the canvas's (0, 0) lies on the surface, in layout pixels; clip in
    // surface (device) pixels.
    TCanvas(TPixelSurface surface, int originX, int originY, platform::Rect clip, TZoom zoom = {});

    // The clip rectangle in canvas coordinates: the layout pixels it touches.
    platform::Rect ClipRect() const;
    const TZoom& Zoom() const { return zoom_; }
    // Fills rect (canvas coordinates) with an opaque colour; system colours resolve first.
    void FillRect(const platform::Rect& rect, TColor color);
    // Lays the colour over the surface through 8-bit coverage, its top-left corner at (x, y).
    void DrawCoverage(int x, int y, const platform::TextCoverage& coverage, TColor color);
    // Copies a picture (bottom row first) with its top-left corner at (x, y), moved on by a number of
    // device pixels; alpha is kept as stored.
    void DrawPicture(int x, int y, const TPictureData& picture, int deviceDx = 0, int deviceDy = 0);

  private:
    std::uint32_t& At(int surfaceX, int surfaceY) const {
        return surface_
            .pixels[static_cast<std::size_t>(surface_.height - 1 - surfaceY) * surface_.width + surfaceX];
    }
    // rect (canvas coordinates) within the clip, in surface coordinates.
    platform::Rect Visible(const platform::Rect& rect) const;
    // The surface position of a canvas point, and device-sized content of that size placed there.
    int SurfaceX(int x) const { return zoom_.Device(originX_ + x); }
    int SurfaceY(int y) const { return zoom_.Device(originY_ + y); }
    platform::Rect VisibleContent(int left, int top, int width, int height) const;

    TPixelSurface surface_;
    int originX_;
    int originY_;
    platform::Rect clip_;
    TZoom zoom_;
};

} // namespace toolkit
