// The meters on the plate: lit level columns and unlit gain-reduction columns in the slots the meter
// widgets cover, their dB scales at the meter display's pixels per dB, the captions beneath, and the
// dark field the hold labels stand on. Places come from the layout, scales from the panel's table.
#include "tools/artwork/PanelDrawing.h"
#include "tools/artwork/Primitives.h"

#include "editor/PanelControls.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace artwork {

namespace {

constexpr int segmentPitch = 4, segmentHeight = 3;
constexpr int labelMargin = 4;      // of the hold labels' field, left of and above the labels
constexpr int holdCaptionRoom = 55; // the widest hold caption, from the last label's left edge
constexpr int labelFieldExtraHeight = 7;

// Segment i counts from the top; a level column runs red, yellow, then green towards the bottom
// (2 dB per segment), a gain-reduction column is red throughout.
Rgb segmentHue(ColumnKind kind, int i) {
    if (kind == ColumnKind::Gain)
        return ledRed;
    return i < 3 ? ledRed : i < 9 ? ledYellow : ledGreen;
}

// Ticks and numbers right of a column, 0 dB at its top.
void drawMeterScale(cairo_t* cr, Box column, int dbStep, double pixelsPerDb) {
    const int lowestDb = static_cast<int>(column.h / pixelsPerDb);
    const int x = column.right();
    for (int db = 0; db <= lowestDb; db += dbStep) {
        double y = std::min(column.y + db * pixelsPerDb, column.y + column.h - 1.0) + 0.5;
        cairo_set_line_width(cr, 1);
        setColour(cr, textDim);
        cairo_move_to(cr, x + 1, y);
        cairo_line_to(cr, x + 4, y);
        cairo_stroke(cr);
        drawTextCentred(cr, db == 0 ? "0" : "-" + std::to_string(db), x + 12, y, {7, true}, textLight);
    }
}

// One pair of columns as the plate shows it.
struct MeterPair {
    const tmx1::MeterGroup* group;
    Box left, right;
    std::string caption; // the hold label's first caption, in capitals
    bool level() const { return group->kind == tmx1::MeterKind::level; }
};

// Both columns of a pair are a meter column tall, whatever height the widget starts with.
std::vector<MeterPair> meterPairs(const PanelLayout& layout) {
    std::vector<MeterPair> pairs;
    for (const tmx1::MeterGroup& group : tmx1::kMeterGroups) {
        MeterPair pair{&group, layout.Place(group.bars[0]), layout.Place(group.bars[1]),
                       upperCase(layout.Caption(group.holdLabel))};
        pair.left.h = pair.right.h = tmx1::kMeterColumnPixels;
        pairs.push_back(pair);
    }
    return pairs;
}

// The field the hold labels stand on, in their own background colour, so that their boxes vanish.
void drawLabelField(cairo_t* cr, Box field, Rgb floor) {
    roundedRect(cr, field.x - 0.5, field.y - 0.5, field.w + 1, field.h + 1, 2);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.12);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_rectangle(cr, field.x, field.y, field.w, field.h);
    cairo_set_source_rgb(cr, floor.r, floor.g, floor.b);
    cairo_fill(cr);
}

Box holdLabelField(const PanelLayout& layout) {
    int left = layout.Width(), top = layout.Height(), right = 0, height = 0;
    for (const tmx1::MeterGroup& group : tmx1::kMeterGroups) {
        const Box label = layout.Place(group.holdLabel);
        left = std::min(left, label.x);
        right = std::max(right, label.x);
        top = std::min(top, label.y);
        height = std::max(height, label.h);
    }
    return {left - labelMargin, top - labelMargin, right + holdCaptionRoom - (left - labelMargin),
            height + labelFieldExtraHeight};
}

} // namespace

void drawMeterColumn(cairo_t* cr, Box place, ColumnKind kind, bool lit) {
    // Drawn in device pixels from the one the editor puts the column's corner at, every edge on a
    // whole pixel: a segment is lit from its first row, and a bar cut at an even layout height cuts
    // the column where the plate's segments part.
    const double scale = deviceScale(cr);
    auto device = [scale](int v) { return devicePixel(v, scale); };
    cairo_save(cr);
    snapToDevicePixel(cr, place.x, place.y);
    double originX = place.x, originY = place.y;
    cairo_user_to_device(cr, &originX, &originY);
    cairo_identity_matrix(cr);
    const int x = static_cast<int>(std::lround(originX)), y = static_cast<int>(std::lround(originY));
    const int meterW = device(place.w);
    cairo_rectangle(cr, x, y, meterW, device(place.h));
    cairo_set_source_rgb(cr, 0.035, 0.035, 0.04);
    cairo_fill(cr);
    for (int i = 0; i < place.h / segmentPitch; ++i) {
        Rgb hue = segmentHue(kind, i);
        Rgb body = lit ? hue : mix(rgb8(20, 20, 22), hue, 0.14);
        Rgb rim = scaled(body, lit ? 0.62 : 0.75);
        const int sy = y + device(i * segmentPitch);
        const int left = x + device(1), right = x + meterW - device(1);
        cairo_pattern_t* across = cairo_pattern_create_linear(left, 0, right, 0);
        cairo_pattern_add_color_stop_rgb(across, 0, rim.r, rim.g, rim.b);
        cairo_pattern_add_color_stop_rgb(across, 0.45, body.r, body.g, body.b);
        cairo_pattern_add_color_stop_rgb(across, 1, rim.r, rim.g, rim.b);
        cairo_rectangle(cr, left, sy, right - left, y + device(i * segmentPitch + segmentHeight) - sy);
        cairo_set_source(cr, across);
        cairo_fill(cr);
        cairo_pattern_destroy(across);
        // lens highlight on the top row
        cairo_rectangle(cr, x + device(2), sy, meterW - 2 * device(2), device(1));
        cairo_set_source_rgba(cr, 1, 1, 1, lit ? 0.30 : 0.05);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

void drawMeterSection(cairo_t* cr, const PanelLayout& layout) {
    std::vector<MeterPair> pairs = meterPairs(layout);
    const Box field = holdLabelField(layout);
    const int bottom = pairs.front().left.bottom();
    drawRecess(cr, field.x - 2, field.y - 9, field.w + 5, bottom + 26 - (field.y - 9), 5, 0.15);
    drawLabelField(cr, field,
                   fromColorValue(layout.Component(pairs.front().group->holdLabel).Integer("Color")));
    // The level columns are lit (the covers show them unlit), the gain-reduction columns unlit (the
    // bars show them lit).
    for (bool level : {true, false})
        for (const MeterPair& pair : pairs)
            if (pair.level() == level)
                for (const Box& column : {pair.left, pair.right})
                    drawMeterColumn(cr, column, level ? ColumnKind::Level : ColumnKind::Gain, level);
    std::sort(pairs.begin(), pairs.end(),
              [](const MeterPair& a, const MeterPair& b) { return a.left.x < b.left.x; });
    for (const MeterPair& pair : pairs)
        drawMeterScale(cr, pair.right, pair.level() ? 10 : 5, pair.group->pixelsPerDb);
    const double captionY = bottom + 13;
    for (const MeterPair& pair : pairs)
        drawText(cr, pair.caption, (pair.left.x + pair.right.right()) / 2.0, captionY, {7.5, true},
                 Align::Centre);
    for (const MeterPair& pair : pairs)
        drawText(cr, pair.level() ? "dB" : "GR", pair.right.right() + 12, captionY, {7, true}, Align::Centre,
                 textDim);
}

} // namespace artwork
