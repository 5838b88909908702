// The plate itself: brushed metal with bevelled edges, screws, grooves, the maker's mark, the product
// name and the manual and information icons.
#include "tools/artwork/PanelDrawing.h"
#include "tools/artwork/Primitives.h"

#include <algorithm>
#include <cmath>

namespace artwork {

void drawPlate(Canvas& canvas, const PlateDesign& design) {
    // The metal is made per device pixel; its streaks and light are laid out in layout pixels.
    const double scale = canvas.scale();
    const int deviceW = canvas.width(), deviceH = canvas.height();
    const Rgb top = rgb8(62, 64, 69), bottom = rgb8(40, 42, 46);
    // Brushing: streaks are horizontal runs of noise, so average the noise along x.
    const int streak = static_cast<int>(std::lround(24 * scale));
    canvas.beginPixels();
    for (int y = 0; y < deviceH; ++y) {
        double rowShift = (hashNoise(0, y, 7) - 0.5) * 0.018;
        double run = 0;
        for (int x = -streak; x < deviceW; ++x) {
            run += hashNoise(x + streak, y, 11) - (x - streak >= -streak ? hashNoise(x, y, 11) : 0.5);
            if (x < 0)
                continue;
            double brushed = (run / streak - 0.5) * 0.05 + (hashNoise(x, y, 13) - 0.5) * 0.012;
            double t = static_cast<double>(y) / (deviceH - 1);
            Rgb c = mix(top, bottom, t * t * (3 - 2 * t));
            // A broad soft sheen across the upper middle, as from a light above the desk.
            double sheen = 0.025 * std::exp(-std::pow((x / scale - design.sheenX) / design.sheenRadiusX, 2) -
                                            std::pow((y / scale - design.sheenY) / design.sheenRadiusY, 2));
            double d = brushed + rowShift + sheen;
            canvas.setPixel(x, y, {c.r + d, c.g + d, c.b + d * 1.1});
        }
    }
    canvas.endPixels();

    // Bevelled edges and rounded corners of the machined plate.
    // The plate fills the whole picture, which may end inside a layout pixel.
    const double panelW = deviceW / scale, panelH = deviceH / scale;
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

namespace {

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

// A rounded button plate for the manual and information hotspots.
void drawIconPlate(cairo_t* cr, Box place) {
    const int x = place.x, y = place.y;
    cairo_pattern_t* face = cairo_pattern_create_linear(0, y, 0, y + place.h);
    cairo_pattern_add_color_stop_rgb(face, 0, 0.30, 0.31, 0.33);
    cairo_pattern_add_color_stop_rgb(face, 1, 0.16, 0.17, 0.18);
    roundedRect(cr, x + 2.5, y + 3.5, place.w - 5, place.h - 5, 6);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
    cairo_fill(cr);
    roundedRect(cr, x + 2.5, y + 2.5, place.w - 5, place.h - 5, 6);
    cairo_set_source(cr, face);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(face);
    cairo_set_line_width(cr, 1);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.7);
    cairo_stroke(cr);
    roundedRect(cr, x + 3.5, y + 3.5, place.w - 7, place.h - 7, 5);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.10);
    cairo_stroke(cr);
}

} // namespace

void drawScrews(cairo_t* cr, double panelW, double panelH, const PlateDesign& design) {
    const double inset = design.screwInset;
    drawScrew(cr, inset, inset, 0.6);
    drawScrew(cr, panelW - inset, inset, 2.1);
    drawScrew(cr, inset, panelH - inset, 1.2);
    drawScrew(cr, panelW - inset, panelH - inset, 2.7);
}

void drawSectionLines(cairo_t* cr, double panelW, double panelH, const PlateDesign& design) {
    drawGroove(cr, design.headerGrooveInset, design.headerGrooveY, panelW - design.headerGrooveInset,
               design.headerGrooveY);
    drawGroove(cr, design.columnGrooveX, design.columnGrooveTop, design.columnGrooveX,
               panelH - design.columnGrooveBottomInset);
}

void drawLogo(cairo_t* cr, Box place) {
    drawRecess(cr, place.x, place.y, place.w, place.h, 4, 0.18);
    // Emblem: a ring around a single peak-limited wave.
    double cx = place.x + 18, cy = place.y + 24;
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
    drawText(cr, "Brindlow", place.x + 34, place.y + 26, {14, true}, Align::Left);
    drawText(cr, "A U D I O", place.x + 35, place.y + 37, {7, true}, Align::Left, textDim);
}

void drawProductName(cairo_t* cr, const PlateDesign& design) {
    const double x = design.productNameX, baseline = design.productNameBaseline;
    drawText(cr, "TMX-1", x, baseline, {26, true}, Align::Left, rgb8(236, 238, 242));
    double w = textWidth(cr, "TMX-1", {26, true});
    cairo_set_source_rgba(cr, 232 / 255.0, 170 / 255.0, 60 / 255.0, 1);
    cairo_rectangle(cr, x + w + 8, baseline - 20, 2, 22);
    cairo_fill(cr);
    drawText(cr, "Tollimax", x + w + 18, baseline, {22, false}, Align::Left, rgb8(206, 208, 212));
    drawText(cr, "STEREO PEAK COMPRESSOR  \xc2\xb7  LIMITER", x + 1, baseline + 13, {7.5, true}, Align::Left,
             textDim);
}

void drawManualIcon(cairo_t* cr, Box place) {
    drawIconPlate(cr, place);
    double cx = place.x + place.w / 2, top = place.y + 9;
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
    drawText(cr, "MANUAL", cx, place.y + 34, {7, true}, Align::Centre, textDim);
}

void drawInfoIcon(cairo_t* cr, Box place) {
    drawIconPlate(cr, place);
    double cx = place.x + place.w / 2, cy = place.y + 17;
    cairo_set_line_width(cr, 1.5);
    setColour(cr, textLight);
    cairo_arc(cr, cx, cy, 9, 0, 2 * M_PI);
    cairo_stroke(cr);
    cairo_arc(cr, cx, cy - 4.5, 1.4, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_rectangle(cr, cx - 1.1, cy - 1.5, 2.2, 7.5);
    cairo_fill(cr);
    drawText(cr, "INFO", cx, place.y + 34, {7, true}, Align::Centre, textDim);
}

} // namespace artwork
