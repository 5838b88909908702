#include "tools/artwork/Primitives.h"

#include <cctype>
#include <cmath>

namespace artwork {

double deviceScale(cairo_t* cr) {
    double dx = 1, dy = 0;
    cairo_user_to_device_distance(cr, &dx, &dy);
    return dx;
}

void snapToDevicePixel(cairo_t* cr, double x, double y) {
    double dx = x, dy = y;
    cairo_user_to_device(cr, &dx, &dy);
    double shiftX = std::floor(dx + 0.5) - dx, shiftY = std::floor(dy + 0.5) - dy;
    cairo_device_to_user_distance(cr, &shiftX, &shiftY);
    cairo_translate(cr, shiftX, shiftY);
}

double roundToDeviceX(cairo_t* cr, double x) {
    double y = 0;
    cairo_user_to_device(cr, &x, &y);
    x = std::round(x);
    cairo_device_to_user(cr, &x, &y);
    return x;
}

double roundToDeviceY(cairo_t* cr, double y) {
    double x = 0;
    cairo_user_to_device(cr, &x, &y);
    y = std::round(y);
    cairo_device_to_user(cr, &x, &y);
    return y;
}

void setColour(cairo_t* cr, Rgb c, double alpha) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

std::string upperCase(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

double textWidth(cairo_t* cr, const std::string& s, Font f) {
    cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL,
                           f.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, f.size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    return e.x_advance;
}

void drawText(cairo_t* cr, const std::string& s, double x, double y, Font f, Align align, Rgb colour) {
    double w = textWidth(cr, s, f);
    double left = align == Align::Left ? x : align == Align::Centre ? x - w / 2 : x - w;
    left = roundToDeviceX(cr, left);
    cairo_move_to(cr, left, y + 1);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.65);
    cairo_show_text(cr, s.c_str());
    cairo_move_to(cr, left, y);
    setColour(cr, colour);
    cairo_show_text(cr, s.c_str());
}

void drawTextCentred(cairo_t* cr, const std::string& s, double cx, double cy, Font f, Rgb colour) {
    textWidth(cr, s, f);
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    drawText(cr, s, cx, roundToDeviceY(cr, cy - e.y_bearing - e.height / 2), f, Align::Centre, colour);
}

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

void drawRecess(cairo_t* cr, double x, double y, double w, double h, double r, double depth) {
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

} // namespace artwork
