// Shapes and text the pictures are built from: rounded rectangles, engraved text, grooves and recesses.
// Every call takes its place from the caller; nothing here knows where anything sits on the panel.
#pragma once

#include "tools/artwork/Canvas.h"

#include <cairo.h>

#include <string>

namespace artwork {

enum class Align { Left, Centre, Right };

struct Font {
    double size;
    bool bold = true;
};

// The device pixels per layout pixel of cr's drawing.
double deviceScale(cairo_t* cr);
// Moves cr's drawing by less than a device pixel so that the layout point (x, y) falls on the corner
// of the device pixel the editor puts it at. A control drawn from there on the plate lines up with
// its own picture, which the editor draws from that pixel.
void snapToDevicePixel(cairo_t* cr, double x, double y);
// A layout coordinate moved to the nearest whole device pixel.
double roundToDeviceX(cairo_t* cr, double x);
double roundToDeviceY(cairo_t* cr, double y);

void setColour(cairo_t* cr, Rgb c, double alpha = 1.0);
void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r);

// Captions on the plate are in capitals ("Release" becomes "RELEASE").
std::string upperCase(std::string text);
double textWidth(cairo_t* cr, const std::string& s, Font f);
// Light text with a dark drop below it, as if engraved and filled. y is the baseline.
void drawText(cairo_t* cr, const std::string& s, double x, double y, Font f, Align align,
              Rgb colour = textLight);
// Text centred on a point, both ways (scale numbers).
void drawTextCentred(cairo_t* cr, const std::string& s, double cx, double cy, Font f, Rgb colour);

// An engraved groove: a dark line with a light line beneath/right of it.
void drawGroove(cairo_t* cr, double x0, double y0, double x1, double y1);
// A recessed area: darker floor, shadow on the top/left inner edge, light catch on the bottom/right.
void drawRecess(cairo_t* cr, double x, double y, double w, double h, double r, double depth = 0.28);

} // namespace artwork
