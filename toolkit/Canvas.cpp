#include "toolkit/Canvas.h"

#include "platform/Font.h"
#include "toolkit/PictureFile.h"

namespace toolkit {

TCanvas::TCanvas(TPixelSurface surface, int originX, int originY, platform::Rect clip, TZoom zoom)
    : surface_(surface), originX_(originX), originY_(originY),
      clip_(platform::Intersection(clip, {0, 0, surface.width, surface.height})), zoom_(zoom) {}

platform::Rect TCanvas::ClipRect() const {
    return platform::Offset(zoom_.LayoutCover(clip_), -originX_, -originY_);
}

platform::Rect TCanvas::Visible(const platform::Rect& rect) const {
    return platform::Intersection(zoom_.Device(platform::Offset(rect, originX_, originY_)), clip_);
}

platform::Rect TCanvas::VisibleContent(int left, int top, int width, int height) const {
    return platform::Intersection({left, top, left + width, top + height}, clip_);
}

void TCanvas::FillRect(const platform::Rect& rect, TColor color) {
    const TColor rgb = ColorToRGB(color);
    const std::uint32_t pixel = 0xFF000000u | static_cast<std::uint32_t>((rgb & 0xFF) << 16) |
                                static_cast<std::uint32_t>(rgb & 0xFF00) |
                                static_cast<std::uint32_t>((rgb >> 16) & 0xFF);
    const platform::Rect r = Visible(rect);
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            At(x, y) = pixel;
}

void TCanvas::DrawCoverage(int x, int y, const platform::TextCoverage& coverage, TColor color) {
    const TColor rgb = ColorToRGB(color);
    const unsigned ink[3] = {static_cast<unsigned>((rgb >> 16) & 0xFF),
                             static_cast<unsigned>((rgb >> 8) & 0xFF),
                             static_cast<unsigned>(rgb & 0xFF)}; // blue, green, red
    const int left = SurfaceX(x);
    const int top = SurfaceY(y);
    const platform::Rect r = VisibleContent(left, top, coverage.width, coverage.height);
    for (int sy = r.Top; sy < r.Bottom; ++sy) {
        const int row = sy - top;
        for (int sx = r.Left; sx < r.Right; ++sx) {
            const unsigned a = coverage.alpha[static_cast<std::size_t>(row) * coverage.width + (sx - left)];
            if (a == 0)
                continue;
            std::uint32_t& pixel = At(sx, sy);
            std::uint32_t result = pixel & 0xFF000000u;
            for (int c = 0; c < 3; ++c) {
                const unsigned under = (pixel >> (8 * c)) & 0xFF;
                // Rounded blend of ink over the background by coverage.
                const unsigned mixed = (ink[c] * a + under * (255 - a) + 127) / 255;
                result |= mixed << (8 * c);
            }
            pixel = result;
        }
    }
}

void TCanvas::DrawPicture(int x, int y, const TPictureData& picture, int deviceDx, int deviceDy) {
    const int left = SurfaceX(x) + deviceDx;
    const int top = SurfaceY(y) + deviceDy;
    const platform::Rect r = VisibleContent(left, top, picture.width, picture.height);
    for (int sy = r.Top; sy < r.Bottom; ++sy) {
        const int row = picture.height - 1 - (sy - top); // pictures are stored bottom row first
        for (int sx = r.Left; sx < r.Right; ++sx)
            At(sx, sy) = picture.pixels[static_cast<std::size_t>(row) * picture.width + (sx - left)];
    }
}

} // namespace toolkit
