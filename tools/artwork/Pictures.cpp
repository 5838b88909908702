#include "tools/artwork/Pictures.h"

#include "tools/artwork/Primitives.h"

#include "editor/PanelControls.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>

namespace artwork {

namespace {

constexpr int pointerSize = 10;

void makeChassis(Canvas& c, const PanelLayout& layout, const PlateDesign& design) {
    drawPlate(c, design);
    const double panelW = c.width() / c.scale(), panelH = c.height() / c.scale();
    drawScrews(c.cr(), panelW, panelH, design);
    drawSectionLines(c.cr(), panelW, panelH, design);
    drawLogo(c.cr(), layout.Place("Logo"));
    drawProductName(c.cr(), design);
    drawManualIcon(c.cr(), layout.Place("UsersManual"));
    drawInfoIcon(c.cr(), layout.Place("About"));
    drawKnobSection(c, layout);
    drawSwitchSection(c.cr(), layout);
    drawMeterSection(c.cr(), layout);
}

void fill(Canvas& c, Rgb colour) {
    cairo_rectangle(c.cr(), 0, 0, c.width() / c.scale(), c.height() / c.scale());
    setColour(c.cr(), colour);
    cairo_fill(c.cr());
}

std::uint32_t packed(Rgb c) {
    auto channel = [](double v) { return static_cast<std::uint32_t>(std::lround(v * 255)); };
    return 0xff000000u | channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
}

// The pointer dot: pixels wholly outside the dot keep the key colour exactly; covered pixels blend
// from the key towards the dot only, so no third colour appears at the rim. The dial puts the
// picture's pixel (width / 2, height / 2) on its point of the pointer's circle, so the dot is centred
// on that pixel's corner.
void makePointer(Canvas& c, Rgb key) {
    const Rgb dot = rgb8(238, 240, 236), dotRim = rgb8(190, 192, 188);
    const double radius = 3.3 * c.scale(), centre = c.width() / 2;
    c.beginPixels();
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) {
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
    if (c.pixel(0, 0) != packed(key))
        throw std::runtime_error("the pointer's field is not the key colour");
}

// A pixel of an overlay that its drawing barely touches would show over the plate as a speck of nearly
// the key colour; it is left out with the key instead.
void hardenKeyEdge(Canvas& c, Rgb key) {
    constexpr int speck = 3;
    const std::uint32_t exact = packed(key);
    auto near = [&](std::uint32_t p) {
        for (int shift : {16, 8, 0})
            if (std::abs(static_cast<int>(p >> shift & 0xff) - static_cast<int>(exact >> shift & 0xff)) >
                speck)
                return false;
        return true;
    };
    c.beginPixels();
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            if (c.pixel(x, y) != exact && near(c.pixel(x, y)))
                c.setPixel(x, y, key);
    c.endPixels();
}

// A lit overlay on its key colour, at the size of the controls that show it.
Picture overlay(const PanelLayout& layout, double scale, const char* file,
                const std::function<void(cairo_t*, Box)>& draw) {
    const Box size = layout.ImageSize(file);
    Picture picture{file,
                    std::make_unique<Canvas>(pictureSide(size.w, scale), pictureSide(size.h, scale), scale)};
    const Rgb key = layout.ImageKey(file);
    fill(*picture.canvas, key);
    draw(picture.canvas->cr(), {0, 0, size.w, size.h});
    hardenKeyEdge(*picture.canvas, key);
    return picture;
}

Picture meterPicture(const PanelLayout& layout, double scale, const char* file, ColumnKind kind, bool lit) {
    const int w = layout.WidgetPictureWidth(file);
    Picture picture{file, std::make_unique<Canvas>(pictureSide(w, scale),
                                                   pictureSide(tmx1::kMeterColumnPixels, scale), scale)};
    drawMeterColumn(picture.canvas->cr(), {0, 0, w, tmx1::kMeterColumnPixels}, kind, lit);
    return picture;
}

// The overlays must line up with the plate: compare fresh renders of a lit level column and an unlit
// gain-reduction column with the plate's pixels where the editor puts the column.
void checkMeterAlignment(const Canvas& chassis, const PanelLayout& layout) {
    const double scale = chassis.scale();
    auto check = [&](ColumnKind kind, bool lit, const char* widget) {
        const Box place = layout.Place(widget);
        Canvas column(pictureSide(place.w, scale), pictureSide(tmx1::kMeterColumnPixels, scale), scale);
        drawMeterColumn(column.cr(), {0, 0, place.w, tmx1::kMeterColumnPixels}, kind, lit);
        const int left = devicePixel(place.x, scale), top = devicePixel(place.y, scale);
        for (int y = 0; y < column.height(); ++y)
            for (int x = 0; x < column.width(); ++x)
                if (column.pixel(x, y) != chassis.pixel(left + x, top + y))
                    throw std::runtime_error(std::string("the meter column under ") + widget +
                                             " differs from its standalone render");
    };
    check(ColumnKind::Level, true, tmx1::kMeterGroups.front().bars[0]);
    check(ColumnKind::Gain, false, tmx1::kMeterGroups.back().bars[1]);
}

void checkOpaque(const Picture& picture) {
    const Canvas& c = *picture.canvas;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            if ((c.pixel(x, y) >> 24) != 0xff)
                throw std::runtime_error(picture.file + " has a pixel that is not opaque");
}

} // namespace

std::vector<Picture> makePictures(const PanelLayout& layout, const PlateDesign& design, double scale) {
    std::vector<Picture> pictures;
    const Box plate = layout.ImageSize("chassis.png");
    pictures.push_back({"chassis.png", std::make_unique<Canvas>(devicePixel(plate.w, scale),
                                                                devicePixel(plate.h, scale), scale)});
    makeChassis(*pictures.back().canvas, layout, design);
    checkMeterAlignment(*pictures.back().canvas, layout);

    const int pointerSide = pictureSide(pointerSize, scale);
    pictures.push_back({"pointer.png", std::make_unique<Canvas>(pointerSide, pointerSide, scale)});
    makePointer(*pictures.back().canvas, layout.ImageKey("pointer.png"));
    // The knob bodies are part of the plate: the knob's own image only gives it its size.
    pictures.push_back(overlay(layout, scale, "knob.png", [](cairo_t*, Box) {}));
    pictures.push_back(overlay(layout, scale, "switch-red.png",
                               [](cairo_t* cr, Box place) { drawSwitchLed(cr, place, ledRed, true); }));
    pictures.push_back(overlay(layout, scale, "switch-green.png",
                               [](cairo_t* cr, Box place) { drawSwitchLed(cr, place, ledGreen, true); }));
    pictures.push_back(overlay(layout, scale, "led.png",
                               [](cairo_t* cr, Box place) { drawRoundLed(cr, place, true, true); }));
    pictures.push_back(overlay(layout, scale, "selector.png",
                               [](cairo_t* cr, Box place) { drawSelector(cr, place, true); }));
    pictures.push_back(meterPicture(layout, scale, "meter-cover.png", ColumnKind::Level, false));
    pictures.push_back(meterPicture(layout, scale, "meter-gain.png", ColumnKind::Gain, true));
    for (const Picture& picture : pictures)
        checkOpaque(picture);
    return pictures;
}

} // namespace artwork
