// tmx1_artwork: draws the editor's front plate and its overlay pictures and writes them as PNG files.
// Every pixel is a pure function of this source (noise comes from an integer hash, not from a clock), so
// running it twice gives identical files. The lit overlays are drawn by the same functions as their
// unlit counterparts in the chassis, at the same integer offsets, so they line up to the pixel.
#include <cairo.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct SwitchSpec {
    int x, y;
    const char* caption;
    bool green;
};

// ---- geometry: every position on the plate, in panel pixels ----
namespace geom {
constexpr double thresholdX = 168, releaseX = 288, topRowY = 103, bottomRowY = 203; // knob centres
constexpr int panelW = 570, panelH = 265;
constexpr double knobBodyRadius = 23.0, knobCapRadius = 16.0;
constexpr double tickInner = 26.5, tickMajorOuter = 31.0, tickMinorOuter = 29.0, labelGap = 2.5;
constexpr double sweepStart = 210.0, sweepRange = 300.0;
constexpr int valueWindowW = 36, valueWindowH = 14;
constexpr int ledSize = 13;
constexpr int selectorW = 30, selectorH = 10;
constexpr int selectorX = 18;
constexpr int selectorY[] = {195, 207, 219, 231, 243};
constexpr const char* selectorCaption[] = {"CLASSIC", "SMOOTH 1", "SMOOTH 2", "PUMPER", "OPTO"};
constexpr int meterW = 10, meterH = 120, meterTop = 100;
constexpr int meterSegmentPitch = 4, meterSegmentHeight = 3;
constexpr int levelColumnX[] = {407, 420, 507, 520};
constexpr int gainColumnX[] = {457, 470};
constexpr int labelFieldX = 393, labelFieldY = 73, labelFieldW = 159, labelFieldH = 19;
constexpr int logoX = 12, logoY = 6, logoW = 105, logoH = 48;
constexpr int manualX = 462, aboutX = 513, iconY = 10, iconSize = 40;
constexpr SwitchSpec switches[] = {
    {333, 66, "PDE", false},         {333, 166, "AUTO\nGAIN", false}, {333, 226, "BRICK\nWALL", false},
    {18, 158, "STEREO LINK", false}, {18, 74, "A/B", true},           {18, 95, "COPY", false},
    {18, 116, "RECALL", false}};
constexpr int ocLedX = 207, ocLedY = 66;
} // namespace geom

// The colour the value and meter labels paint behind their text; the windows use it so the labels vanish.
constexpr double labelBack = 17.0 / 255.0;

struct Rgb {
    double r, g, b;
};

Rgb scaled(Rgb c, double k) { return {c.r * k, c.g * k, c.b * k}; }
Rgb mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb rgb8(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }

const Rgb textLight = rgb8(214, 216, 220);
const Rgb textDim = rgb8(150, 154, 160);
const Rgb ledRed = rgb8(255, 58, 40);
const Rgb ledGreen = rgb8(70, 255, 90);
const Rgb ledYellow = rgb8(255, 214, 40);

// Deterministic value noise in [0, 1) from integer coordinates.
double hashNoise(int x, int y, int seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8da6b343u ^
                      static_cast<std::uint32_t>(y) * 0xd8163841u ^
                      static_cast<std::uint32_t>(seed) * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return (h & 0xffffffu) / 16777216.0;
}

class Canvas {
  public:
    Canvas(int w, int h)
        : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)), cr_(cairo_create(surface_)) {
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
        cairo_set_font_options(cr_, options);
        cairo_font_options_destroy(options);
    }
    ~Canvas() {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    cairo_t* cr() const { return cr_; }
    int width() const { return cairo_image_surface_get_width(surface_); }
    int height() const { return cairo_image_surface_get_height(surface_); }

    std::uint32_t pixel(int x, int y) const {
        cairo_surface_flush(surface_);
        auto* row = cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
        return reinterpret_cast<const std::uint32_t*>(row)[x];
    }
    void setPixel(int x, int y, Rgb c) {
        auto* row = cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
        auto channel = [](double v) {
            return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
        };
        reinterpret_cast<std::uint32_t*>(row)[x] =
            0xff000000u | channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
    }
    Rgb getPixel(int x, int y) const {
        std::uint32_t p = pixel(x, y);
        return rgb8(p >> 16 & 0xff, p >> 8 & 0xff, p & 0xff);
    }
    // Per-pixel writes go around cairo; these bracket them.
    void beginPixels() { cairo_surface_flush(surface_); }
    void endPixels() { cairo_surface_mark_dirty(surface_); }

    // Written through libpng rather than cairo, which would drop the alpha channel of an opaque picture;
    // the pictures are specified as 32-bit.
    void save(const std::string& path) const {
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

  private:
    cairo_surface_t* surface_;
    cairo_t* cr_;
};

// ---- drawing primitives ----

void setColour(cairo_t* cr, Rgb c, double alpha = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

enum class Align { Left, Centre, Right };

struct Font {
    double size;
    bool bold = true;
};

double textWidth(cairo_t* cr, const std::string& s, Font f) {
    cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL,
                           f.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, f.size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    return e.x_advance;
}

// Light text with a dark drop below it, as if engraved and filled. y is the baseline.
void drawText(cairo_t* cr, const std::string& s, double x, double y, Font f, Align align,
              Rgb colour = textLight) {
    double w = textWidth(cr, s, f);
    double left = align == Align::Left ? x : align == Align::Centre ? x - w / 2 : x - w;
    left = std::round(left);
    cairo_move_to(cr, left, y + 1);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.65);
    cairo_show_text(cr, s.c_str());
    cairo_move_to(cr, left, y);
    setColour(cr, colour);
    cairo_show_text(cr, s.c_str());
}

// Text centred on a point, both ways (scale numbers).
void drawTextCentred(cairo_t* cr, const std::string& s, double cx, double cy, Font f, Rgb colour) {
    textWidth(cr, s, f);
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    drawText(cr, s, cx, std::round(cy - e.y_bearing - e.height / 2), f, Align::Centre, colour);
}

// An engraved groove: a dark line with a light line beneath/right of it.
void drawGroove(cairo_t* cr, double x0, double y0, double x1, double y1) {
    cairo_set_line_width(cr, 1);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_stroke(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.09);
    cairo_move_to(cr, x0 + (x0 == x1 ? 1 : 0), y0 + (y0 == y1 ? 1 : 0));
    cairo_line_to(cr, x1 + (x0 == x1 ? 1 : 0), y1 + (y0 == y1 ? 1 : 0));
    cairo_stroke(cr);
}

// A recessed area: darker floor, shadow on the top/left inner edge, light catch on the bottom/right.
void drawRecess(cairo_t* cr, double x, double y, double w, double h, double r, double depth = 0.28) {
    roundedRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, r);
    cairo_set_source_rgba(cr, 0, 0, 0, depth);
    cairo_fill_preserve(cr);
    cairo_pattern_t* edge = cairo_pattern_create_linear(x, y, x, y + h);
    cairo_pattern_add_color_stop_rgba(edge, 0, 0, 0, 0, 0.8);
    cairo_pattern_add_color_stop_rgba(edge, 0.5, 0, 0, 0, 0.35);
    cairo_pattern_add_color_stop_rgba(edge, 1, 1, 1, 1, 0.16);
    cairo_set_source(cr, edge);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_pattern_destroy(edge);
}

// ---- the plate ----

void drawPlate(Canvas& canvas) {
    using namespace geom;
    const Rgb top = rgb8(62, 64, 69), bottom = rgb8(40, 42, 46);
    // Brushing: streaks are horizontal runs of noise, so average the noise along x.
    constexpr int streak = 24;
    canvas.beginPixels();
    for (int y = 0; y < panelH; ++y) {
        double rowShift = (hashNoise(0, y, 7) - 0.5) * 0.018;
        double run = 0;
        for (int x = -streak; x < panelW; ++x) {
            run += hashNoise(x + streak, y, 11) - (x - streak >= -streak ? hashNoise(x, y, 11) : 0.5);
            if (x < 0)
                continue;
            double brushed = (run / streak - 0.5) * 0.05 + (hashNoise(x, y, 13) - 0.5) * 0.012;
            double t = static_cast<double>(y) / (panelH - 1);
            Rgb c = mix(top, bottom, t * t * (3 - 2 * t));
            // A broad soft sheen across the upper middle, as from a light above the desk.
            double sheen =
                0.025 * std::exp(-std::pow((x - 300.0) / 230.0, 2) - std::pow((y - 40.0) / 120.0, 2));
            double d = brushed + rowShift + sheen;
            canvas.setPixel(x, y, {c.r + d, c.g + d, c.b + d * 1.1});
        }
    }
    canvas.endPixels();

    // Bevelled edges and rounded corners of the machined plate.
    cairo_t* cr = canvas.cr();
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_rectangle(cr, 0, 0, panelW, panelH);
    roundedRect(cr, 0, 0, panelW, panelH, 7);
    cairo_set_source_rgb(cr, 0.02, 0.02, 0.02);
    cairo_fill(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_set_line_width(cr, 1);
    roundedRect(cr, 0.5, 0.5, panelW - 1, panelH - 1, 6.5);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.9);
    cairo_stroke(cr);
    cairo_pattern_t* bevel = cairo_pattern_create_linear(0, 0, 0, panelH);
    cairo_pattern_add_color_stop_rgba(bevel, 0, 1, 1, 1, 0.30);
    cairo_pattern_add_color_stop_rgba(bevel, 0.5, 1, 1, 1, 0.06);
    cairo_pattern_add_color_stop_rgba(bevel, 1, 0, 0, 0, 0.45);
    cairo_set_source(cr, bevel);
    roundedRect(cr, 1.5, 1.5, panelW - 3, panelH - 3, 5.5);
    cairo_stroke(cr);
    cairo_pattern_destroy(bevel);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.18);
    roundedRect(cr, 2.5, 2.5, panelW - 5, panelH - 5, 4.5);
    cairo_stroke(cr);
}

void drawScrew(cairo_t* cr, double cx, double cy, double slotAngle) {
    constexpr double r = 4.0;
    cairo_arc(cr, cx, cy + 0.8, r + 0.8, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
    cairo_fill(cr);
    cairo_pattern_t* head = cairo_pattern_create_radial(cx - 1.5, cy - 1.8, 0.5, cx, cy, r);
    cairo_pattern_add_color_stop_rgb(head, 0, 0.78, 0.79, 0.80);
    cairo_pattern_add_color_stop_rgb(head, 0.6, 0.45, 0.46, 0.48);
    cairo_pattern_add_color_stop_rgb(head, 1, 0.22, 0.23, 0.24);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    cairo_set_source(cr, head);
    cairo_fill(cr);
    cairo_pattern_destroy(head);
    double dx = std::cos(slotAngle) * (r - 0.8), dy = std::sin(slotAngle) * (r - 0.8);
    cairo_set_line_width(cr, 1.2);
    cairo_set_source_rgba(cr, 0.05, 0.05, 0.06, 0.95);
    cairo_move_to(cr, cx - dx, cy - dy);
    cairo_line_to(cr, cx + dx, cy + dy);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 0.6);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.25);
    cairo_move_to(cr, cx - dx + 0.5, cy - dy + 0.7);
    cairo_line_to(cr, cx + dx + 0.5, cy + dy + 0.7);
    cairo_stroke(cr);
}

void drawScrews(cairo_t* cr) {
    drawScrew(cr, 7.5, 7.5, 0.6);
    drawScrew(cr, geom::panelW - 7.5, 7.5, 2.1);
    drawScrew(cr, 7.5, geom::panelH - 7.5, 1.2);
    drawScrew(cr, geom::panelW - 7.5, geom::panelH - 7.5, 2.7);
}

void drawSectionLines(cairo_t* cr) {
    drawGroove(cr, 14, 59.5, 556, 59.5);
    drawGroove(cr, 124.5, 64, 124.5, 256);
}

// ---- identity: maker's mark, product name, icons ----

void drawLogo(cairo_t* cr) {
    using namespace geom;
    drawRecess(cr, logoX, logoY, logoW, logoH, 4, 0.18);
    // Emblem: a ring around a single peak-limited wave.
    double cx = logoX + 18, cy = logoY + 24;
    cairo_set_line_width(cr, 2);
    setColour(cr, textLight);
    cairo_arc(cr, cx, cy, 11, 0, 2 * M_PI);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 1.6);
    cairo_move_to(cr, cx - 8, cy);
    for (int i = 0; i <= 32; ++i) {
        double t = i / 32.0, x = cx - 8 + 16 * t;
        double y = cy - std::clamp(std::sin(t * 2 * M_PI) * 9, -5.0, 5.0);
        cairo_line_to(cr, x, y);
    }
    setColour(cr, rgb8(232, 170, 60));
    cairo_stroke(cr);
    drawText(cr, "Brindlow", logoX + 34, logoY + 26, {14, true}, Align::Left);
    drawText(cr, "A U D I O", logoX + 35, logoY + 37, {7, true}, Align::Left, textDim);
}

void drawProductName(cairo_t* cr) {
    constexpr double x = 140, baseline = 38;
    drawText(cr, "TMX-1", x, baseline, {26, true}, Align::Left, rgb8(236, 238, 242));
    double w = textWidth(cr, "TMX-1", {26, true});
    cairo_set_source_rgba(cr, 232 / 255.0, 170 / 255.0, 60 / 255.0, 1);
    cairo_rectangle(cr, x + w + 8, 18, 2, 22);
    cairo_fill(cr);
    drawText(cr, "Tollimax", x + w + 18, baseline, {22, false}, Align::Left, rgb8(206, 208, 212));
    drawText(cr, "STEREO PEAK COMPRESSOR  \xc2\xb7  LIMITER", x + 1, baseline + 13, {7.5, true}, Align::Left,
             textDim);
}

// A rounded button plate for the manual and information hotspots.
void drawIconPlate(cairo_t* cr, int x, int y) {
    using namespace geom;
    cairo_pattern_t* face = cairo_pattern_create_linear(0, y, 0, y + iconSize);
    cairo_pattern_add_color_stop_rgb(face, 0, 0.30, 0.31, 0.33);
    cairo_pattern_add_color_stop_rgb(face, 1, 0.16, 0.17, 0.18);
    roundedRect(cr, x + 2.5, y + 3.5, iconSize - 5, iconSize - 5, 6);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
    cairo_fill(cr);
    roundedRect(cr, x + 2.5, y + 2.5, iconSize - 5, iconSize - 5, 6);
    cairo_set_source(cr, face);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(face);
    cairo_set_line_width(cr, 1);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.7);
    cairo_stroke(cr);
    roundedRect(cr, x + 3.5, y + 3.5, iconSize - 7, iconSize - 7, 5);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.10);
    cairo_stroke(cr);
}

void drawManualIcon(cairo_t* cr) {
    using namespace geom;
    drawIconPlate(cr, manualX, iconY);
    double cx = manualX + 20, top = iconY + 9;
    // An open book: two pages meeting at the spine.
    cairo_set_line_width(cr, 1.4);
    setColour(cr, textLight);
    cairo_move_to(cr, cx, top + 3);
    cairo_curve_to(cr, cx - 4, top, cx - 8, top, cx - 11, top + 1);
    cairo_line_to(cr, cx - 11, top + 15);
    cairo_curve_to(cr, cx - 8, top + 14, cx - 4, top + 14, cx, top + 17);
    cairo_curve_to(cr, cx + 4, top + 14, cx + 8, top + 14, cx + 11, top + 15);
    cairo_line_to(cr, cx + 11, top + 1);
    cairo_curve_to(cr, cx + 8, top, cx + 4, top, cx, top + 3);
    cairo_close_path(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.08);
    cairo_fill_preserve(cr);
    setColour(cr, textLight);
    cairo_stroke(cr);
    cairo_move_to(cr, cx, top + 3);
    cairo_line_to(cr, cx, top + 17);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 0.8);
    for (int i = 0; i < 3; ++i) {
        double y = top + 5.5 + i * 3;
        cairo_move_to(cr, cx - 8.5, y - 0.8);
        cairo_line_to(cr, cx - 2.5, y);
        cairo_move_to(cr, cx + 2.5, y);
        cairo_line_to(cr, cx + 8.5, y - 0.8);
    }
    setColour(cr, textDim);
    cairo_stroke(cr);
    drawText(cr, "MANUAL", cx, iconY + 34, {7, true}, Align::Centre, textDim);
}

void drawInfoIcon(cairo_t* cr) {
    using namespace geom;
    drawIconPlate(cr, aboutX, iconY);
    double cx = aboutX + 20, cy = iconY + 17;
    cairo_set_line_width(cr, 1.5);
    setColour(cr, textLight);
    cairo_arc(cr, cx, cy, 9, 0, 2 * M_PI);
    cairo_stroke(cr);
    cairo_arc(cr, cx, cy - 4.5, 1.4, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_rectangle(cr, cx - 1.1, cy - 1.5, 2.2, 7.5);
    cairo_fill(cr);
    drawText(cr, "INFO", cx, iconY + 34, {7, true}, Align::Centre, textDim);
}

// ---- knobs and their scales ----

struct ScaleMark {
    double value;      // normalised 0..1 along the sweep
    std::string label; // empty for a minor tick
};

struct KnobSpec {
    double cx, cy;
    const char* caption;
    const char* unit;
    std::vector<ScaleMark> marks;
};

double sweepAngle(double v) { return (geom::sweepStart + geom::sweepRange * v) * M_PI / 180.0; }

std::vector<ScaleMark> linearMarks(double lo, double hi, double majorStep, double minorStep, bool showPlus) {
    std::vector<ScaleMark> marks;
    for (double x = lo; x <= hi + 1e-9; x += minorStep) {
        double v = (x - lo) / (hi - lo);
        double k = (x - lo) / majorStep;
        if (std::abs(k - std::round(k)) < 1e-9) {
            long n = std::lround(x);
            marks.push_back({v, (showPlus && n > 0 ? "+" : "") + std::to_string(n)});
        } else {
            marks.push_back({v, ""});
        }
    }
    return marks;
}

std::vector<ScaleMark> releaseMarks() {
    auto v = [](double ms) { return std::log(ms / 5.0) / std::log(1000.0); };
    return {{v(5), "5"},  {v(10), ""},     {v(20), ""},   {v(50), "50"}, {v(100), ""},
            {v(200), ""}, {v(500), "500"}, {v(1000), ""}, {v(2000), ""}, {v(5000), "5k"}};
}

std::vector<KnobSpec> knobSpecs() {
    return {{geom::thresholdX, geom::topRowY, "THRESHOLD", "dB", linearMarks(-40, 10, 10, 5, true)},
            {geom::releaseX, geom::topRowY, "RELEASE", "ms", releaseMarks()},
            {geom::thresholdX, geom::bottomRowY, "KNEE", "dB", linearMarks(0, 20, 5, 2.5, false)},
            {geom::releaseX, geom::bottomRowY, "GAIN", "dB", linearMarks(-10, 10, 5, 2.5, true)}};
}

void drawKnobScale(cairo_t* cr, const KnobSpec& k) {
    using namespace geom;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (const ScaleMark& m : k.marks) {
        double a = sweepAngle(m.value), s = std::sin(a), c = -std::cos(a);
        bool major = !m.label.empty();
        double outer = major ? tickMajorOuter : tickMinorOuter;
        cairo_set_line_width(cr, major ? 1.3 : 0.9);
        setColour(cr, major ? textLight : textDim);
        cairo_move_to(cr, k.cx + s * tickInner, k.cy + c * tickInner);
        cairo_line_to(cr, k.cx + s * outer, k.cy + c * outer);
        cairo_stroke(cr);
        if (major) {
            // Keep a constant gap between the tick's end and the nearest edge of the number's box.
            constexpr Font font{7, true};
            double halfW = textWidth(cr, m.label, font) / 2, halfH = 2.6;
            double toEdge = std::min(std::abs(s) > 1e-6 ? halfW / std::abs(s) : 1e9,
                                     std::abs(c) > 1e-6 ? halfH / std::abs(c) : 1e9);
            double r = tickMajorOuter + labelGap + toEdge;
            drawTextCentred(cr, m.label, k.cx + s * r, k.cy + c * r, font, textLight);
        }
    }
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
}

// The machined knob: a dark spun skirt with fine grip ridges and a satin aluminium cap, rendered per
// pixel (spun metal reflects by angle, which cairo 1.16 has no gradient for) with 4 x 4 supersampling.
void drawKnobBody(Canvas& canvas, double cx, double cy, int seed) {
    using namespace geom;
    cairo_t* cr = canvas.cr();
    for (int i = 6; i >= 1; --i) { // soft drop shadow
        cairo_arc(cr, cx + 1, cy + 3, knobBodyRadius + i * 0.8, 0, 2 * M_PI);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.07);
        cairo_fill(cr);
    }
    auto shade = [&](double dx, double dy, double& alpha) -> Rgb {
        double r = std::hypot(dx, dy), phi = std::atan2(dx, -dy);
        alpha = 0;
        if (r > knobBodyRadius)
            return {0, 0, 0};
        alpha = 1;
        double ring = hashNoise(static_cast<int>(r * 4), 0, seed) - 0.5;
        double spin = std::cos(2 * (phi - 0.5));
        if (r <= knobCapRadius) {
            double v = 0.60 + 0.10 * spin + 0.03 * ring - 0.10 * (dy / knobCapRadius);
            if (r > knobCapRadius - 1.2) // chamfer: bright on top, dark below
                v += -0.22 * dy / r;
            return {v, v, v * 1.03};
        }
        double v = 0.15 + 0.05 * spin + 0.02 * ring;
        if (r > knobBodyRadius - 4.5) // grip ridges round the skirt
            v += 0.035 * std::cos(phi * 40);
        if (r > knobBodyRadius - 1.2)
            v += -0.14 * dy / r;
        if (r < knobCapRadius + 1.0) // shadow the cap casts on the skirt
            v *= 0.6;
        return {v, v, v * 1.05};
    };
    canvas.beginPixels();
    int x0 = static_cast<int>(cx - knobBodyRadius - 1), y0 = static_cast<int>(cy - knobBodyRadius - 1);
    int span = static_cast<int>(2 * knobBodyRadius + 3);
    for (int y = y0; y < y0 + span; ++y)
        for (int x = x0; x < x0 + span; ++x) {
            Rgb sum{0, 0, 0};
            double cover = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    double a;
                    Rgb c = shade(x + (sx + 0.5) / 4 - cx, y + (sy + 0.5) / 4 - cy, a);
                    sum = {sum.r + c.r * a, sum.g + c.g * a, sum.b + c.b * a};
                    cover += a;
                }
            if (cover == 0)
                continue;
            Rgb own = scaled(sum, 1 / cover);
            canvas.setPixel(x, y, mix(canvas.getPixel(x, y), own, cover / 16));
        }
    canvas.endPixels();
}

void drawValueWindow(cairo_t* cr, int x, int y) {
    using namespace geom;
    // The floor is exactly the label's background colour, so the label's box is invisible on it.
    roundedRect(cr, x - 1.5, y - 1.5, valueWindowW + 3, valueWindowH + 3, 2.5);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.12);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_rectangle(cr, x - 1, y - 1, valueWindowW + 2, valueWindowH + 2);
    cairo_set_source_rgb(cr, 0.03, 0.03, 0.03);
    cairo_fill(cr);
    cairo_rectangle(cr, x, y, valueWindowW, valueWindowH);
    cairo_set_source_rgb(cr, labelBack, labelBack, labelBack);
    cairo_fill(cr);
}

void drawKnobSection(Canvas& canvas) {
    using namespace geom;
    cairo_t* cr = canvas.cr();
    int seed = 100;
    for (const KnobSpec& k : knobSpecs()) {
        drawKnobScale(cr, k);
        drawKnobBody(canvas, k.cx, k.cy, seed++);
        int wx = static_cast<int>(k.cx) - 14, wy = static_cast<int>(k.cy) + 39;
        drawValueWindow(cr, wx, wy);
        drawText(cr, k.unit, wx + valueWindowW + 4, wy + 10.5, {8, true}, Align::Left, textDim);
        drawText(cr, k.caption, wx - 5, wy + 10.5, {7.5, true}, Align::Right);
    }
}

// ---- LEDs, switches and selectors (shared by the plate and the lit overlays) ----

// A square microswitch cap with a domed lens; `lit` picks the glowing lens.
void drawSwitchLed(cairo_t* cr, int x, int y, Rgb hue, bool lit) {
    using namespace geom;
    cairo_pattern_t* cap = cairo_pattern_create_linear(0, y, 0, y + ledSize);
    cairo_pattern_add_color_stop_rgb(cap, 0, 0.36, 0.37, 0.39);
    cairo_pattern_add_color_stop_rgb(cap, 1, 0.10, 0.10, 0.11);
    roundedRect(cr, x, y, ledSize, ledSize, 2.5);
    cairo_set_source(cr, cap);
    cairo_fill(cr);
    cairo_pattern_destroy(cap);
    double cx = x + 6.5, cy = y + 6.5;
    Rgb edge = lit ? scaled(hue, 0.55) : scaled(hue, 0.14);
    Rgb centre = lit ? mix(hue, {1, 1, 1}, 0.35) : scaled(hue, 0.30);
    cairo_pattern_t* lens = cairo_pattern_create_radial(cx - 0.8, cy - 1, 0.5, cx, cy, 4.6);
    cairo_pattern_add_color_stop_rgb(lens, 0, centre.r, centre.g, centre.b);
    cairo_pattern_add_color_stop_rgb(lens, 1, edge.r, edge.g, edge.b);
    roundedRect(cr, x + 2, y + 2, ledSize - 4, ledSize - 4, 1.8);
    cairo_set_source_rgb(cr, 0.02, 0.02, 0.02);
    cairo_fill(cr);
    roundedRect(cr, x + 2.5, y + 2.5, ledSize - 5, ledSize - 5, 1.5);
    cairo_set_source(cr, lens);
    cairo_fill(cr);
    cairo_pattern_destroy(lens);
    cairo_arc(cr, cx - 1.5, cy - 1.8, 1.3, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 1, 1, 1, lit ? 0.55 : 0.18);
    cairo_fill(cr);
}

// A round panel LED in a bezel. With hardEdge the silhouette is drawn without antialiasing, so that
// nothing blends into a key colour around it.
void drawRoundLed(cairo_t* cr, int x, int y, bool lit, bool hardEdge = false) {
    double cx = x + 6.5, cy = y + 6.5;
    cairo_save(cr);
    if (hardEdge)
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_arc(cr, cx, cy, 6.5, 0, 2 * M_PI);
    cairo_set_source_rgb(cr, 0.12, 0.12, 0.13);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_pattern_t* bezel = cairo_pattern_create_linear(0, y, 0, y + 13);
    cairo_pattern_add_color_stop_rgb(bezel, 0, 0.45, 0.46, 0.48);
    cairo_pattern_add_color_stop_rgb(bezel, 1, 0.08, 0.08, 0.09);
    cairo_arc(cr, cx, cy, 5.8, 0, 2 * M_PI);
    cairo_set_source(cr, bezel);
    cairo_fill(cr);
    cairo_pattern_destroy(bezel);
    Rgb edge = lit ? scaled(ledRed, 0.6) : scaled(ledRed, 0.13);
    Rgb centre = lit ? mix(ledRed, {1, 1, 1}, 0.4) : scaled(ledRed, 0.30);
    cairo_pattern_t* dome = cairo_pattern_create_radial(cx - 1, cy - 1, 0.5, cx, cy, 4.5);
    cairo_pattern_add_color_stop_rgb(dome, 0, centre.r, centre.g, centre.b);
    cairo_pattern_add_color_stop_rgb(dome, 1, edge.r, edge.g, edge.b);
    cairo_arc(cr, cx, cy, 4.5, 0, 2 * M_PI);
    cairo_set_source(cr, dome);
    cairo_fill(cr);
    cairo_pattern_destroy(dome);
    cairo_arc(cr, cx - 1.4, cy - 1.6, 1.2, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 1, 1, 1, lit ? 0.6 : 0.2);
    cairo_fill(cr);
}

// A slot with an arrow pointing at its caption.
void drawSelector(cairo_t* cr, int x, int y, bool lit) {
    using namespace geom;
    roundedRect(cr, x, y, selectorW, selectorH, 2);
    cairo_set_source_rgb(cr, 0.05, 0.05, 0.05);
    cairo_fill(cr);
    roundedRect(cr, x + 0.5, y + 0.5, selectorW - 1, selectorH - 1, 1.5);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.10);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    if (lit) {
        cairo_pattern_t* glow = cairo_pattern_create_linear(x, 0, x + selectorW, 0);
        cairo_pattern_add_color_stop_rgba(glow, 0, ledGreen.r, ledGreen.g, ledGreen.b, 0.0);
        cairo_pattern_add_color_stop_rgba(glow, 1, ledGreen.r, ledGreen.g, ledGreen.b, 0.28);
        cairo_rectangle(cr, x + 1, y + 1, selectorW - 2, selectorH - 2);
        cairo_set_source(cr, glow);
        cairo_fill(cr);
        cairo_pattern_destroy(glow);
    }
    Rgb arrow = lit ? ledGreen : scaled(ledGreen, 0.22);
    cairo_move_to(cr, x + 4, y + 4);
    cairo_line_to(cr, x + 19, y + 4);
    cairo_line_to(cr, x + 19, y + 2);
    cairo_line_to(cr, x + 26, y + 5);
    cairo_line_to(cr, x + 19, y + 8);
    cairo_line_to(cr, x + 19, y + 6);
    cairo_line_to(cr, x + 4, y + 6);
    cairo_close_path(cr);
    setColour(cr, arrow);
    cairo_fill(cr);
}

// A caption beside a 13 pixel control: one line centred on it, or two stacked lines (split at '\n') where
// one would run into the meter bay.
void drawCaption(cairo_t* cr, const std::string& caption, double x, double y) {
    auto split = caption.find('\n');
    if (split == std::string::npos) {
        drawText(cr, caption, x, y + 9.5, {7.5, true}, Align::Left);
        return;
    }
    drawText(cr, caption.substr(0, split), x, y + 5.5, {7, true}, Align::Left);
    drawText(cr, caption.substr(split + 1), x, y + 13.5, {7, true}, Align::Left);
}

void drawSwitchSection(cairo_t* cr) {
    using namespace geom;
    drawText(cr, "COMPARE", 18, 68, {7, true}, Align::Left, textDim);
    drawText(cr, "RELEASE TYPE", 18, 189, {7, true}, Align::Left, textDim);
    for (const SwitchSpec& s : switches) {
        drawSwitchLed(cr, s.x, s.y, s.green ? ledGreen : ledRed, false);
        drawCaption(cr, s.caption, s.x + ledSize + 4, s.y);
    }
    drawRoundLed(cr, ocLedX, ocLedY, false);
    drawText(cr, "OC", ocLedX + ledSize + 4, ocLedY + 9.5, {7.5, true}, Align::Left);
    for (int i = 0; i < 5; ++i) {
        drawSelector(cr, selectorX, selectorY[i], false);
        drawText(cr, selectorCaption[i], selectorX + selectorW + 5, selectorY[i] + 8, {7.5, true},
                 Align::Left);
    }
}

// ---- meters ----

enum class MeterKind { Level, Gain };

// Segment i counts from the top; a level column runs red, yellow, then green towards the bottom
// (2 dB per segment), a gain-reduction column is red throughout.
Rgb segmentHue(MeterKind kind, int i) {
    if (kind == MeterKind::Gain)
        return ledRed;
    return i < 3 ? ledRed : i < 9 ? ledYellow : ledGreen;
}

void drawMeterColumn(cairo_t* cr, int x, int y, MeterKind kind, bool lit) {
    using namespace geom;
    cairo_rectangle(cr, x, y, meterW, meterH);
    cairo_set_source_rgb(cr, 0.035, 0.035, 0.04);
    cairo_fill(cr);
    for (int i = 0; i < meterH / meterSegmentPitch; ++i) {
        Rgb hue = segmentHue(kind, i);
        Rgb body = lit ? hue : mix(rgb8(20, 20, 22), hue, 0.14);
        Rgb rim = scaled(body, lit ? 0.62 : 0.75);
        int sy = y + i * meterSegmentPitch;
        cairo_pattern_t* across = cairo_pattern_create_linear(x + 1, 0, x + meterW - 1, 0);
        cairo_pattern_add_color_stop_rgb(across, 0, rim.r, rim.g, rim.b);
        cairo_pattern_add_color_stop_rgb(across, 0.45, body.r, body.g, body.b);
        cairo_pattern_add_color_stop_rgb(across, 1, rim.r, rim.g, rim.b);
        cairo_rectangle(cr, x + 1, sy, meterW - 2, meterSegmentHeight);
        cairo_set_source(cr, across);
        cairo_fill(cr);
        cairo_pattern_destroy(across);
        cairo_rectangle(cr, x + 2, sy, meterW - 4, 1); // lens highlight on the top row
        cairo_set_source_rgba(cr, 1, 1, 1, lit ? 0.30 : 0.05);
        cairo_fill(cr);
    }
}

void drawMeterScale(cairo_t* cr, int x, int dbStep, double pixelsPerDb, int lowestDb) {
    using namespace geom;
    for (int db = 0; db <= lowestDb; db += dbStep) {
        double y = std::min(meterTop + db * pixelsPerDb, meterTop + meterH - 1.0) + 0.5;
        cairo_set_line_width(cr, 1);
        setColour(cr, textDim);
        cairo_move_to(cr, x + 1, y);
        cairo_line_to(cr, x + 4, y);
        cairo_stroke(cr);
        drawTextCentred(cr, db == 0 ? "0" : "-" + std::to_string(db), x + 12, y, {7, true}, textLight);
    }
}

void drawMeterSection(cairo_t* cr) {
    using namespace geom;
    drawRecess(cr, labelFieldX - 2, 64, labelFieldW + 5, 182, 5, 0.15);
    // The field behind the meter labels, in the labels' own background colour.
    roundedRect(cr, labelFieldX - 0.5, labelFieldY - 0.5, labelFieldW + 1, labelFieldH + 1, 2);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.12);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_rectangle(cr, labelFieldX, labelFieldY, labelFieldW, labelFieldH);
    cairo_set_source_rgb(cr, labelBack, labelBack, labelBack);
    cairo_fill(cr);
    for (int x : levelColumnX)
        drawMeterColumn(cr, x, meterTop, MeterKind::Level, true);
    for (int x : gainColumnX)
        drawMeterColumn(cr, x, meterTop, MeterKind::Gain, false);
    drawMeterScale(cr, levelColumnX[1] + meterW, 10, 2, 60);
    drawMeterScale(cr, gainColumnX[1] + meterW, 5, 4, 30);
    drawMeterScale(cr, levelColumnX[3] + meterW, 10, 2, 60);
    double captionY = meterTop + meterH + 13;
    drawText(cr, "IN", levelColumnX[0] + meterW + 1.5, captionY, {7.5, true}, Align::Centre);
    drawText(cr, "COMP", gainColumnX[0] + meterW + 1.5, captionY, {7.5, true}, Align::Centre);
    drawText(cr, "OUT", levelColumnX[2] + meterW + 1.5, captionY, {7.5, true}, Align::Centre);
    drawText(cr, "dB", levelColumnX[1] + meterW + 12, captionY, {7, true}, Align::Centre, textDim);
    drawText(cr, "GR", gainColumnX[1] + meterW + 12, captionY, {7, true}, Align::Centre, textDim);
    drawText(cr, "dB", levelColumnX[3] + meterW + 12, captionY, {7, true}, Align::Centre, textDim);
}

// ---- the pictures ----

void makeChassis(Canvas& c) {
    drawPlate(c);
    drawScrews(c.cr());
    drawSectionLines(c.cr());
    drawLogo(c.cr());
    drawProductName(c.cr());
    drawManualIcon(c.cr());
    drawInfoIcon(c.cr());
    drawKnobSection(c);
    drawSwitchSection(c.cr());
    drawMeterSection(c.cr());
}

void fill(Canvas& c, Rgb colour) {
    cairo_rectangle(c.cr(), 0, 0, c.width(), c.height());
    setColour(c.cr(), colour);
    cairo_fill(c.cr());
}

// The pointer dot: pixels wholly outside the dot keep the key colour exactly; covered pixels blend
// from the key towards the dot only, so no third colour appears at the rim.
void makePointer(Canvas& c) {
    const Rgb key = rgb8(102, 102, 102), dot = rgb8(238, 240, 236), dotRim = rgb8(190, 192, 188);
    constexpr double radius = 3.3, centre = 5.0;
    c.beginPixels();
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            double cover = 0;
            for (int s = 0; s < 16; ++s) {
                double px = x + (s % 4 + 0.5) / 4 - centre, py = y + (s / 4 + 0.5) / 4 - centre;
                cover += std::hypot(px, py) <= radius ? 1.0 / 16 : 0;
            }
            double r = std::hypot(x + 0.5 - centre, y + 0.5 - centre);
            Rgb own = mix(dot, dotRim, std::clamp(r / radius, 0.0, 1.0));
            c.setPixel(x, y, cover < 0.2 ? key : mix(key, own, cover));
        }
    c.endPixels();
}

std::uint32_t packed(int r, int g, int b) { return 0xff000000u | r << 16 | g << 8 | b; }

// The overlays must line up with the plate: compare fresh renders of a lit level column and an unlit
// gain-reduction column with the plate's pixels.
void checkMeterAlignment(const Canvas& chassis) {
    auto check = [&](MeterKind kind, bool lit, int plateX) {
        Canvas column(geom::meterW, geom::meterH);
        drawMeterColumn(column.cr(), 0, 0, kind, lit);
        for (int y = 0; y < geom::meterH; ++y)
            for (int x = 0; x < geom::meterW; ++x)
                if (column.pixel(x, y) != chassis.pixel(plateX + x, geom::meterTop + y))
                    throw std::runtime_error(
                        "a meter column on the plate differs from its standalone render");
    };
    check(MeterKind::Level, true, geom::levelColumnX[0]);
    check(MeterKind::Gain, false, geom::gainColumnX[1]);
}

void checkOpaque(const Canvas& c, const std::string& name) {
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            if ((c.pixel(x, y) >> 24) != 0xff)
                throw std::runtime_error(name + " has a pixel that is not opaque");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tmx1_artwork OUTDIR\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    try {
        auto write = [&](Canvas& c, const char* name) {
            checkOpaque(c, name);
            c.save(dir + name);
        };
        const Rgb black{0, 0, 0};

        Canvas chassis(geom::panelW, geom::panelH);
        makeChassis(chassis);
        checkMeterAlignment(chassis);
        write(chassis, "chassis.png");

        Canvas pointer(10, 10);
        makePointer(pointer);
        if (pointer.pixel(0, 0) != packed(102, 102, 102))
            throw std::runtime_error("the pointer's field is not the key colour");
        write(pointer, "pointer.png");

        Canvas knob(49, 49);
        fill(knob, black);
        write(knob, "knob.png");

        Canvas switchRed(13, 13);
        fill(switchRed, black);
        drawSwitchLed(switchRed.cr(), 0, 0, ledRed, true);
        write(switchRed, "switch-red.png");

        Canvas switchGreen(13, 13);
        fill(switchGreen, black);
        drawSwitchLed(switchGreen.cr(), 0, 0, ledGreen, true);
        write(switchGreen, "switch-green.png");

        Canvas led(13, 13);
        fill(led, rgb8(241, 218, 149));
        drawRoundLed(led.cr(), 0, 0, true, true);
        write(led, "led.png");

        Canvas selector(geom::selectorW, geom::selectorH);
        fill(selector, black);
        drawSelector(selector.cr(), 0, 0, true);
        write(selector, "selector.png");

        Canvas cover(geom::meterW, geom::meterH);
        drawMeterColumn(cover.cr(), 0, 0, MeterKind::Level, false);
        write(cover, "meter-cover.png");

        Canvas gain(geom::meterW, geom::meterH);
        drawMeterColumn(gain.cr(), 0, 0, MeterKind::Gain, true);
        write(gain, "meter-gain.png");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tmx1_artwork: %s\n", e.what());
        return 1;
    }
    return 0;
}
