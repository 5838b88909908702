#include "tools/tmx1-host/PlotPicture.h"

#include "platform/Font.h"
#include "toolkit/Canvas.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace host {

namespace {

std::uint32_t opaquePixel(toolkit::TColor colour) {
    const auto bgr = static_cast<std::uint32_t>(colour);
    return 0xFF000000u | (bgr & 0xFF) << 16 | (bgr & 0xFF00) | (bgr >> 16 & 0xFF);
}

toolkit::TCanvas canvasOn(toolkit::TPictureData& picture) {
    return toolkit::TCanvas({picture.pixels.data(), picture.width, picture.height}, 0, 0,
                            {0, 0, picture.width, picture.height});
}

// How much of each pixel of a rectangle a line covers, 0 to 1; where segments of the line overlap
// the larger coverage counts, not the sum.
struct CoverageMask {
    explicit CoverageMask(const platform::Rect& area)
        : area(area),
          cells(static_cast<std::size_t>(std::max(area.Width(), 0) * std::max(area.Height(), 0))) {}

    float& at(int x, int y) {
        return cells[static_cast<std::size_t>(y - area.Top) * static_cast<std::size_t>(area.Width()) +
                     static_cast<std::size_t>(x - area.Left)];
    }

    // A segment with round ends: full coverage up to halfWidth from it, then fading over one pixel.
    void addSegment(PlotPoint a, PlotPoint b, float halfWidth) {
        const float reach = halfWidth + 1.0f;
        const platform::Rect box =
            platform::Intersection(area, {static_cast<int>(std::floor(std::min(a.x, b.x) - reach)),
                                          static_cast<int>(std::floor(std::min(a.y, b.y) - reach)),
                                          static_cast<int>(std::ceil(std::max(a.x, b.x) + reach)),
                                          static_cast<int>(std::ceil(std::max(a.y, b.y) + reach))});
        for (int y = box.Top; y < box.Bottom; ++y)
            for (int x = box.Left; x < box.Right; ++x) {
                const float distance = distanceToSegment({x + 0.5f, y + 0.5f}, a, b);
                float& cell = at(x, y);
                cell = std::max(cell, std::clamp(halfWidth + 0.5f - distance, 0.0f, 1.0f));
            }
    }

    static float distanceToSegment(PlotPoint p, PlotPoint a, PlotPoint b) {
        const float dx = b.x - a.x, dy = b.y - a.y;
        const float lengthSquared = dx * dx + dy * dy;
        const float t = lengthSquared > 0.0f
                            ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / lengthSquared, 0.0f, 1.0f)
                            : 0.0f;
        return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
    }

    platform::Rect area;
    std::vector<float> cells;
};

} // namespace

PlotPicture::PlotPicture(int width, int height, toolkit::TColor background) {
    data.width = width;
    data.height = height;
    data.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                       opaquePixel(background));
}

void PlotPicture::fillRect(const platform::Rect& rect, toolkit::TColor colour) {
    canvasOn(data).FillRect(rect, colour);
}

void PlotPicture::blend(int x, int y, toolkit::TColor colour, float opacity) {
    if (x < 0 || y < 0 || x >= data.width || y >= data.height || opacity <= 0.0f)
        return;
    std::uint32_t& pixel = data.pixels[static_cast<std::size_t>(data.height - 1 - y) * data.width + x];
    const std::uint32_t ink = opaquePixel(colour);
    const float a = std::min(opacity, 1.0f);
    std::uint32_t mixed = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const float under = static_cast<float>(pixel >> shift & 0xFF);
        const float over = static_cast<float>(ink >> shift & 0xFF);
        mixed |= static_cast<std::uint32_t>(std::lround(under + (over - under) * a)) << shift;
    }
    pixel = mixed;
}

void PlotPicture::shadeRect(const platform::Rect& rect, toolkit::TColor colour, float opacity) {
    const platform::Rect r = platform::Intersection(rect, {0, 0, data.width, data.height});
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            blend(x, y, colour, opacity);
}

void PlotPicture::shadeColumn(int x, float top, float bottom, toolkit::TColor colour, float opacity) {
    if (top > bottom)
        std::swap(top, bottom);
    const int first = std::max(0, static_cast<int>(std::floor(top)));
    const int end = std::min(data.height, static_cast<int>(std::ceil(bottom)));
    for (int y = first; y < end; ++y) {
        const float covered = std::min(y + 1.0f, bottom) - std::max(static_cast<float>(y), top);
        blend(x, y, colour, opacity * covered);
    }
}

void PlotPicture::strokeLine(std::span<const PlotPoint> points, float width, toolkit::TColor colour,
                             const platform::Rect& clip) {
    if (points.empty())
        return;
    const auto [left, right] =
        std::minmax_element(points.begin(), points.end(), [](PlotPoint a, PlotPoint b) { return a.x < b.x; });
    const auto [top, bottom] =
        std::minmax_element(points.begin(), points.end(), [](PlotPoint a, PlotPoint b) { return a.y < b.y; });
    const float reach = width / 2.0f + 1.0f;
    const platform::Rect bounds{
        static_cast<int>(std::floor(left->x - reach)), static_cast<int>(std::floor(top->y - reach)),
        static_cast<int>(std::ceil(right->x + reach)), static_cast<int>(std::ceil(bottom->y + reach))};
    CoverageMask mask(
        platform::Intersection(platform::Intersection(bounds, clip), {0, 0, data.width, data.height}));
    if (mask.area.Empty())
        return;
    for (std::size_t i = 0; i < points.size(); ++i)
        mask.addSegment(points[i], points[i + 1 < points.size() ? i + 1 : i], width / 2.0f);
    for (int y = mask.area.Top; y < mask.area.Bottom; ++y)
        for (int x = mask.area.Left; x < mask.area.Right; ++x)
            blend(x, y, colour, mask.at(x, y));
}

void PlotPicture::drawText(const platform::Font& font, std::string_view utf8, int x, int y,
                           toolkit::TColor colour) {
    canvasOn(data).DrawCoverage(x, y, font.Render(utf8), colour);
}

void PlotPicture::drawTextUpwards(const platform::Font& font, std::string_view utf8, int x, int y,
                                  toolkit::TColor colour) {
    const platform::TextCoverage flat = font.Render(utf8);
    platform::TextCoverage turned;
    turned.width = flat.height;
    turned.height = flat.width;
    turned.alpha.resize(flat.alpha.size());
    // The start of the text goes to the bottom, the top of the letters to the left.
    for (int row = 0; row < turned.height; ++row)
        for (int column = 0; column < turned.width; ++column)
            turned.alpha[static_cast<std::size_t>(row) * turned.width + column] =
                flat.alpha[static_cast<std::size_t>(column) * flat.width + (flat.width - 1 - row)];
    canvasOn(data).DrawCoverage(x, y, turned, colour);
}

} // namespace host
