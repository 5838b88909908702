// The drawing of the front plate and of the lit overlays that lie on it. Controls are drawn at the
// places the layout gives them; the lit overlays are drawn by the same functions as their unlit
// counterparts on the plate, so they line up to the pixel. What belongs to no control (the plate's
// grooves, screws, product name and sheen) sits where PlateDesign says.
#pragma once

#include "tools/artwork/Canvas.h"
#include "tools/artwork/PanelLayout.h"

namespace artwork {

// The places of the plate's own decorations, in panel pixels.
struct PlateDesign {
    double sheenX = 300, sheenY = 40, sheenRadiusX = 230, sheenRadiusY = 120;        // a light above the desk
    double screwInset = 7.5;                                                         // from each corner
    double headerGrooveY = 59.5, headerGrooveInset = 14;                             // under the maker's mark
    double columnGrooveX = 124.5, columnGrooveTop = 64, columnGrooveBottomInset = 9; // right of the switches
    double productNameX = 140, productNameBaseline = 38;
};

// ---- the plate: metal, screws, grooves, the maker's mark, the product name and the icons
void drawPlate(Canvas& canvas, const PlateDesign& design);
void drawScrews(cairo_t* cr, double panelW, double panelH, const PlateDesign& design);
void drawSectionLines(cairo_t* cr, double panelW, double panelH, const PlateDesign& design);
void drawLogo(cairo_t* cr, Box place);
void drawProductName(cairo_t* cr, const PlateDesign& design);
void drawManualIcon(cairo_t* cr, Box place);
void drawInfoIcon(cairo_t* cr, Box place);

// ---- knobs: scales, bodies and the value windows beneath them
void drawKnobSection(Canvas& canvas, const PanelLayout& layout);

// ---- lamps: a square switch LED, the round over-compression LED and a release-type selector slot
void drawSwitchLed(cairo_t* cr, Box place, Rgb hue, bool lit);
// With hardEdge the silhouette is drawn without antialiasing, so nothing blends into a key colour.
void drawRoundLed(cairo_t* cr, Box place, bool lit, bool hardEdge = false);
void drawSelector(cairo_t* cr, Box place, bool lit);
void drawSwitchSection(cairo_t* cr, const PanelLayout& layout);

// ---- meters: LED columns, their scales and the field behind the hold labels
enum class ColumnKind { Level, Gain };
void drawMeterColumn(cairo_t* cr, Box place, ColumnKind kind, bool lit);
void drawMeterSection(cairo_t* cr, const PanelLayout& layout);

} // namespace artwork
