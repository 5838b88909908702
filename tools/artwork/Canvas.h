// The surface the artwork is drawn on: a cairo image with per-pixel access, written out as a 32-bit
// PNG; the colours the pictures share; and the noise the brushed metal is made of.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>

namespace artwork {

struct Rgb {
    double r, g, b;
};

Rgb scaled(Rgb c, double k);
Rgb mix(Rgb a, Rgb b, double t);
Rgb rgb8(int r, int g, int b);
// A colour value of the layout (0x00BBGGRR).
Rgb fromColorValue(std::int64_t value);

inline const Rgb textLight = rgb8(214, 216, 220);
inline const Rgb textDim = rgb8(150, 154, 160);
inline const Rgb ledRed = rgb8(255, 58, 40);
inline const Rgb ledGreen = rgb8(70, 255, 90);
inline const Rgb ledYellow = rgb8(255, 214, 40);

// The device pixel the editor puts layout coordinate v at, drawing at a scale: floor(v * scale + 0.5).
int devicePixel(double v, double scale);
// A picture w layout pixels wide is ceil(w * scale) device pixels wide.
int pictureSide(int w, double scale);

// Deterministic value noise in [0, 1) from integer coordinates: every pixel is a pure function of
// the source, so running the generator twice gives identical files.
double hashNoise(int x, int y, int seed);

// A picture of w × h device pixels whose drawing is in layout pixels, scale device pixels each (1, 1.5
// or 2): cairo draws every shape afresh at the scale, and per-pixel drawing asks for it.
class Canvas {
  public:
    Canvas(int w, int h, double scale = 1);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    cairo_t* cr() const { return cr_; }
    int width() const { return cairo_image_surface_get_width(surface_); }
    int height() const { return cairo_image_surface_get_height(surface_); }
    double scale() const { return scale_; }

    std::uint32_t pixel(int x, int y) const;
    void setPixel(int x, int y, Rgb c);
    Rgb getPixel(int x, int y) const;
    // Per-pixel writes go around cairo; these bracket them.
    void beginPixels() { cairo_surface_flush(surface_); }
    void endPixels() { cairo_surface_mark_dirty(surface_); }

    // Written through libpng rather than cairo, which would drop the alpha channel of an opaque
    // picture; the pictures are 32-bit.
    void save(const std::string& path) const;

  private:
    cairo_surface_t* surface_;
    cairo_t* cr_;
    double scale_;
};

} // namespace artwork
