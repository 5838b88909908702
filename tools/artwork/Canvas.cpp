#include "tools/artwork/Canvas.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace artwork {

Rgb scaled(Rgb c, double k) { return {c.r * k, c.g * k, c.b * k}; }

Rgb mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb rgb8(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }

Rgb fromColorValue(std::int64_t value) {
    return rgb8(static_cast<int>(value & 0xff), static_cast<int>(value >> 8 & 0xff),
                static_cast<int>(value >> 16 & 0xff));
}

int devicePixel(double v, double scale) { return static_cast<int>(std::floor(v * scale + 0.5)); }

int pictureSide(int w, double scale) { return static_cast<int>(std::ceil(w * scale)); }

double hashNoise(int x, int y, int seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8da6b343u ^
                      static_cast<std::uint32_t>(y) * 0xd8163841u ^
                      static_cast<std::uint32_t>(seed) * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return (h & 0xffffffu) / 16777216.0;
}

Canvas::Canvas(int w, int h, double scale)
    : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)), cr_(cairo_create(surface_)),
      scale_(scale) {
    cairo_scale(cr_, scale, scale);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr_, options);
    cairo_font_options_destroy(options);
}

Canvas::~Canvas() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
}

std::uint32_t Canvas::pixel(int x, int y) const {
    cairo_surface_flush(surface_);
    auto* row = cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
    return reinterpret_cast<const std::uint32_t*>(row)[x];
}

void Canvas::setPixel(int x, int y, Rgb c) {
    auto* row = cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
    auto channel = [](double v) {
        return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    };
    reinterpret_cast<std::uint32_t*>(row)[x] =
        0xff000000u | channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
}

Rgb Canvas::getPixel(int x, int y) const {
    std::uint32_t p = pixel(x, y);
    return rgb8(p >> 16 & 0xff, p >> 8 & 0xff, p & 0xff);
}

void Canvas::save(const std::string& path) const {
    std::vector<std::uint8_t> rgba;
    rgba.reserve(static_cast<std::size_t>(width()) * height() * 4);
    for (int y = 0; y < height(); ++y)
        for (int x = 0; x < width(); ++x) {
            std::uint32_t p = pixel(x, y);
            for (int shift : {16, 8, 0, 24})
                rgba.push_back(static_cast<std::uint8_t>(p >> shift & 0xff));
        }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width());
    image.height = static_cast<png_uint_32>(height());
    image.format = PNG_FORMAT_RGBA;
    if (png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr) == 0)
        throw std::runtime_error("cannot write " + path + ": " + image.message);
}

} // namespace artwork
