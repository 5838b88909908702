// The lamps on the plate, unlit, with their captions: the square switch LEDs (the parameter switches
// and the compare buttons), the round over-compression LED and the release-type selector slots. The
// lit overlays are drawn by the same functions.
#include "tools/artwork/PanelDrawing.h"
#include "tools/artwork/Primitives.h"

#include "editor/PanelControls.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace artwork {

namespace {

// The switch LEDs in the order they are drawn, with their captions; a caption of two lines (split at
// '\n') is one that would otherwise run into the meter bay.
struct SwitchArt {
    const char* component;
    const char* caption;
    bool green;
};
constexpr SwitchArt switchArt[] = {{"PDRswitch", "PDE", false},
                                   {"AutoGainSwitch", "AUTO\nGAIN", false},
                                   {"BrickWallSwitch", "BRICK\nWALL", false},
                                   {"TruePeakSwitch", "TRUE\nPEAK", false},
                                   {"StereoLinkSwitch", "STEREO LINK", false},
                                   {"ABSwitch", "A/B", true},
                                   {"CopySwitch", "COPY", false},
                                   {"RecallSwitch", "RECALL", false}};
constexpr const char* overCompressionLed = "OC_LED";
constexpr const char* compareHeadingAbove = "ABSwitch";
constexpr int headingRise = 6; // from a group's top to the baseline of its heading

} // namespace

// A square microswitch cap with a domed lens; `lit` picks the glowing lens.
void drawSwitchLed(cairo_t* cr, Box place, Rgb hue, bool lit) {
    const int x = place.x, y = place.y;
    cairo_pattern_t* cap = cairo_pattern_create_linear(0, y, 0, y + place.h);
    cairo_pattern_add_color_stop_rgb(cap, 0, 0.36, 0.37, 0.39);
    cairo_pattern_add_color_stop_rgb(cap, 1, 0.10, 0.10, 0.11);
    roundedRect(cr, x, y, place.w, place.h, 2.5);
    cairo_set_source(cr, cap);
    cairo_fill(cr);
    cairo_pattern_destroy(cap);
    double cx = place.centreX(), cy = place.centreY();
    Rgb edge = lit ? scaled(hue, 0.55) : scaled(hue, 0.14);
    Rgb centre = lit ? mix(hue, {1, 1, 1}, 0.35) : scaled(hue, 0.30);
    cairo_pattern_t* lens = cairo_pattern_create_radial(cx - 0.8, cy - 1, 0.5, cx, cy, 4.6);
    cairo_pattern_add_color_stop_rgb(lens, 0, centre.r, centre.g, centre.b);
    cairo_pattern_add_color_stop_rgb(lens, 1, edge.r, edge.g, edge.b);
    roundedRect(cr, x + 2, y + 2, place.w - 4, place.h - 4, 1.8);
    cairo_set_source_rgb(cr, 0.02, 0.02, 0.02);
    cairo_fill(cr);
    roundedRect(cr, x + 2.5, y + 2.5, place.w - 5, place.h - 5, 1.5);
    cairo_set_source(cr, lens);
    cairo_fill(cr);
    cairo_pattern_destroy(lens);
    cairo_arc(cr, cx - 1.5, cy - 1.8, 1.3, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 1, 1, 1, lit ? 0.55 : 0.18);
    cairo_fill(cr);
}

// A round panel LED in a bezel.
void drawRoundLed(cairo_t* cr, Box place, bool lit, bool hardEdge) {
    const int y = place.y;
    double cx = place.centreX(), cy = place.centreY();
    cairo_save(cr);
    if (hardEdge)
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_arc(cr, cx, cy, place.w / 2.0, 0, 2 * M_PI);
    cairo_set_source_rgb(cr, 0.12, 0.12, 0.13);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_pattern_t* bezel = cairo_pattern_create_linear(0, y, 0, y + place.h);
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
void drawSelector(cairo_t* cr, Box place, bool lit) {
    const int x = place.x, y = place.y, selectorW = place.w, selectorH = place.h;
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

namespace {

// A caption beside a lamp: one line centred on it, or two stacked lines.
void drawCaption(cairo_t* cr, const std::string& caption, double x, double y) {
    auto split = caption.find('\n');
    if (split == std::string::npos) {
        drawText(cr, caption, x, y + 9.5, {7.5, true}, Align::Left);
        return;
    }
    drawText(cr, caption.substr(0, split), x, y + 5.5, {7, true}, Align::Left);
    drawText(cr, caption.substr(split + 1), x, y + 13.5, {7, true}, Align::Left);
}

struct SelectorSlot {
    Box place;
    std::string caption;
};

// The release-type buttons from the top of the panel down, each captioned with its type.
std::vector<SelectorSlot> selectorSlots(const PanelLayout& layout) {
    std::vector<SelectorSlot> slots;
    const auto& buttons = tmx1::kParameterControls[tmx1::kReleaseType].buttons;
    for (std::size_t type = 0; type < buttons.size(); ++type)
        slots.push_back({layout.Place(buttons[type]), upperCase(tmx1::kReleaseTypeNames[type])});
    std::sort(slots.begin(), slots.end(),
              [](const SelectorSlot& a, const SelectorSlot& b) { return a.place.y < b.place.y; });
    return slots;
}

} // namespace

void drawSwitchSection(cairo_t* cr, const PanelLayout& layout) {
    const Box compare = layout.Place(compareHeadingAbove);
    const std::vector<SelectorSlot> selectors = selectorSlots(layout);
    const Box topSelector = selectors.front().place;
    drawText(cr, "COMPARE", compare.x, compare.y - headingRise, {7, true}, Align::Left, textDim);
    drawText(cr, "RELEASE TYPE", topSelector.x, topSelector.y - headingRise, {7, true}, Align::Left, textDim);
    // Each lamp and its caption from the device pixel where the editor draws the lamp's lit picture.
    auto atLamp = [cr](Box place, const auto& draw) {
        cairo_save(cr);
        snapToDevicePixel(cr, place.x, place.y);
        draw();
        cairo_restore(cr);
    };
    for (const SwitchArt& art : switchArt) {
        const Box place = layout.Place(art.component);
        atLamp(place, [&] {
            drawSwitchLed(cr, place, art.green ? ledGreen : ledRed, false);
            drawCaption(cr, art.caption, place.right() + 4, place.y);
        });
    }
    const Box oc = layout.Place(overCompressionLed);
    atLamp(oc, [&] {
        drawRoundLed(cr, oc, false);
        drawText(cr, "OC", oc.right() + 4, oc.y + 9.5, {7.5, true}, Align::Left);
    });
    for (const SelectorSlot& slot : selectors)
        atLamp(slot.place, [&] {
            drawSelector(cr, slot.place, false);
            drawText(cr, slot.caption, slot.place.right() + 5, slot.place.y + 8, {7.5, true}, Align::Left);
        });
}

} // namespace artwork
