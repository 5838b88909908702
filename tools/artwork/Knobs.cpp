// The knobs on the plate: each one's scale, following the pointer's sweep and marked in the display
// units of its parameter, the machined body, and the dark value window beneath it where its value label
// stands. Places and sweeps come from the layout, ranges and units from the parameter table.
#include "tools/artwork/PanelDrawing.h"
#include "tools/artwork/Primitives.h"

#include "editor/PanelControls.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

namespace artwork {

namespace {

constexpr double knobBodyRadius = 23.0, knobCapRadius = 16.0;
constexpr double tickInner = 26.5, tickMajorOuter = 31.0, tickMinorOuter = 29.0, labelGap = 2.5;
constexpr int valueWindowWidth = 36; // five characters of the value label

// How a linear scale is marked: a tick every minorStep, a number every majorStep. Scales on the
// exponential law are marked at 1, 2 and 5 of each decade instead.
struct LinearScaleArt {
    const char* knob;
    double majorStep, minorStep;
    bool showPlus;
};
constexpr LinearScaleArt linearScales[] = {
    {"ThresholdControl", 10, 5, true}, {"KneeControl", 5, 2.5, false}, {"OutputGainControl", 5, 2.5, true}};

struct ScaleMark {
    double value;      // normalised 0..1 along the sweep
    std::string label; // empty for a minor tick
};

struct KnobSpec {
    double cx, cy;                 // the point the pointer turns around
    double sweepStart, sweepRange; // degrees clockwise from straight up
    std::string caption;
    const char* unit;
    std::vector<ScaleMark> marks;
};

double sweepAngle(const KnobSpec& k, double v) { return (k.sweepStart + k.sweepRange * v) * M_PI / 180.0; }

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

// 1, 2 and 5 of each decade from lo (itself one of them) to hi, numbered at lo's own decades (5, 50,
// 500, 5k).
std::vector<ScaleMark> decadeMarks(double lo, double hi) {
    std::vector<ScaleMark> marks;
    double step = 2;
    for (double x = lo; x <= hi * (1 + 1e-9); x *= step) {
        const double decades = std::log10(x / lo);
        std::string label;
        if (std::abs(decades - std::round(decades)) < 1e-9)
            label = x < 1000 ? std::to_string(std::lround(x)) : std::to_string(std::lround(x / 1000)) + "k";
        marks.push_back({std::log(x / lo) / std::log(hi / lo), label});
        const double leading = x / std::pow(10.0, std::floor(std::log10(x) + 1e-9));
        step = std::abs(leading - 2) < 1e-9 ? 2.5 : 2;
    }
    return marks;
}

std::vector<ScaleMark> scaleMarks(const char* knob, const tmx1::ParameterInfo& parameter) {
    const double lo = parameter.displayMin, hi = parameter.displayMax;
    if (parameter.displayLaw == tmx1::Law::exponential)
        return decadeMarks(lo, hi);
    for (const LinearScaleArt& art : linearScales)
        if (std::string_view(art.knob) == knob)
            return linearMarks(lo, hi, art.majorStep, art.minorStep, art.showPlus);
    throw std::runtime_error(std::string("no scale is drawn for ") + knob);
}

// The dial turns its pointer about the whole-pixel middle of the device pixels it covers.
double dialCentre(int start, int length, double scale) {
    const int first = devicePixel(start, scale), end = devicePixel(start + length, scale);
    return (first + (end - first) / 2) / scale;
}

KnobSpec knobSpec(const PanelLayout& layout, const tmx1::ParameterControl& control,
                  const tmx1::ParameterInfo& parameter, double scale) {
    const Box place = layout.Place(control.control);
    const toolkit::TFormTextObject& knob = layout.Component(control.control);
    return {dialCentre(place.x, place.w, scale),
            dialCentre(place.y, place.h, scale),
            static_cast<double>(knob.Integer("PointerAngles.Start")),
            static_cast<double>(knob.Integer("PointerAngles.Range")),
            upperCase(parameter.name),
            parameter.display == tmx1::DisplayKind::milliseconds ? "ms" : "dB",
            scaleMarks(control.control, parameter)};
}

void drawKnobScale(cairo_t* cr, const KnobSpec& k) {
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (const ScaleMark& m : k.marks) {
        double a = sweepAngle(k, m.value), s = std::sin(a), c = -std::cos(a);
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
    cairo_t* cr = canvas.cr();
    for (int i = 6; i >= 1; --i) { // soft drop shadow
        cairo_arc(cr, cx + 1, cy + 3, knobBodyRadius + i * 0.8, 0, 2 * M_PI);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.07);
        cairo_fill(cr);
    }
    // dx and dy are in layout pixels.
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
    // The body is sampled per device pixel.
    const double scale = canvas.scale(), deviceX = cx * scale, deviceY = cy * scale;
    const double deviceRadius = knobBodyRadius * scale;
    canvas.beginPixels();
    int x0 = static_cast<int>(deviceX - deviceRadius - 1), y0 = static_cast<int>(deviceY - deviceRadius - 1);
    int span = static_cast<int>(2 * deviceRadius + 3);
    for (int y = y0; y < y0 + span; ++y)
        for (int x = x0; x < x0 + span; ++x) {
            Rgb sum{0, 0, 0};
            double cover = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    double a;
                    Rgb c = shade((x + (sx + 0.5) / 4 - deviceX) / scale,
                                  (y + (sy + 0.5) / 4 - deviceY) / scale, a);
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

void drawValueWindow(cairo_t* cr, Box place, Rgb floor) {
    const int x = place.x, y = place.y;
    // The floor is exactly the label's background colour, so the label's box is invisible on it.
    roundedRect(cr, x - 1.5, y - 1.5, place.w + 3, place.h + 3, 2.5);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.12);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_rectangle(cr, x - 1, y - 1, place.w + 2, place.h + 2);
    cairo_set_source_rgb(cr, 0.03, 0.03, 0.03);
    cairo_fill(cr);
    cairo_rectangle(cr, x, y, place.w, place.h);
    cairo_set_source_rgb(cr, floor.r, floor.g, floor.b);
    cairo_fill(cr);
}

} // namespace

void drawKnobSection(Canvas& canvas, const PanelLayout& layout) {
    cairo_t* cr = canvas.cr();
    int seed = 100;
    for (std::size_t i = 0; i < tmx1::kParameterControls.size(); ++i) {
        const tmx1::ParameterControl& control = tmx1::kParameterControls[i];
        if (control.kind != tmx1::ControlKind::knob)
            continue;
        const KnobSpec k = knobSpec(layout, control, tmx1::kParameters[i], canvas.scale());
        drawKnobScale(cr, k);
        drawKnobBody(canvas, k.cx, k.cy, seed++);
        const Box label = layout.Place(control.valueLabel);
        const Box window{label.x, label.y, valueWindowWidth, label.h};
        drawValueWindow(cr, window, fromColorValue(layout.Component(control.valueLabel).Integer("Color")));
        drawText(cr, k.unit, window.right() + 4, window.y + 10.5, {8, true}, Align::Left, textDim);
        drawText(cr, k.caption, window.x - 5, window.y + 10.5, {7.5, true}, Align::Right);
    }
}

} // namespace artwork
