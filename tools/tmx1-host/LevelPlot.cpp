#include "tools/tmx1-host/LevelPlot.h"

#include "tools/tmx1-host/NumberText.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace host {

namespace {

// A dark theme: the curves' colours stand out most against it.
constexpr toolkit::TColor kBackground = plotColour(0x15171C);
constexpr toolkit::TColor kPanel = plotColour(0x1C1F26);
constexpr toolkit::TColor kGrid = plotColour(0x2B303A);
constexpr toolkit::TColor kFrame = plotColour(0x434a57);
constexpr toolkit::TColor kZeroLine = plotColour(0x6A7384);
constexpr toolkit::TColor kText = plotColour(0xE9ECF1);
constexpr toolkit::TColor kMutedText = plotColour(0x9BA4B4);

constexpr const char* kFontFamily = "Liberation Sans";
constexpr int kTitlePixels = 19;
constexpr int kLabelPixels = 13;

// Margins around the two panels: room for the header above, the dB labels and the axis titles on
// the left, the time labels and their title below.
constexpr int kTitleTop = 16;
constexpr int kSubtitleTop = 44;
constexpr int kLegendTop = 20;
constexpr int kMarginLeft = 82;
constexpr int kMarginRight = 30;
constexpr int kMarginTop = 78;
constexpr int kMarginBottom = 58;
constexpr int kPanelGap = 16;
constexpr double kLevelShare = 0.64; // of the height both panels share
constexpr int kScaleInset = 8;
constexpr int kTickLength = 5;
constexpr int kMinTimeLabelSpacing = 90;
constexpr int kMinDecibelSpacing = 30;

constexpr float kLineWidth = 1.5f;
constexpr float kInputShade = 0.22f;
constexpr float kOutputShade = 0.30f;
constexpr float kGainShade = 0.35f;

// The gain panel shows at least this much reduction, so that a fraction of a dB does not fill it.
constexpr double kLeastGainRangeDb = 6.0;
// A make-up gain below this is rounding, not worth room above 0 dB.
constexpr double kLeastPositiveGainDb = 0.5;
constexpr double kGainLimitDb = 60.0; // beyond it, ±, the curve runs along the panel's edge

std::string durationText(double seconds) {
    if (seconds < 0.001)
        return fixedText(seconds * 1000.0, 2) + " ms";
    if (seconds < 1.0)
        return fixedText(seconds * 1000.0, 1) + " ms";
    return fixedText(seconds, seconds < 60.0 ? 2 : 0) + " s";
}

// The pixel row that a crisp one-pixel line at height y is drawn on.
int pixelRow(float y) { return static_cast<int>(std::floor(y)); }

} // namespace

// --- layout

float LevelPlot::Scale::y(double db) const {
    const double clamped = std::clamp(db, bottomDb, topDb);
    const double span = panel.Height() - 2 * kScaleInset;
    return static_cast<float>(panel.Top + kScaleInset + (topDb - clamped) / (topDb - bottomDb) * span);
}

LevelPlot::Scale LevelPlot::levelScale(const std::vector<LevelColumn>& columns, platform::Rect panel) {
    double loudest = kLevelFloorDb;
    for (const auto& column : columns)
        loudest = std::max({loudest, column.inputDb, column.outputDb});
    // Room above full scale only for float files that go beyond it.
    const double top = std::min(std::ceil(std::max(loudest, 0.0) / 10.0 - 1e-9) * 10.0, 30.0);
    return {panel, top, kLevelFloorDb, 10.0};
}

LevelPlot::Scale LevelPlot::gainScale(const std::vector<LevelColumn>& columns, platform::Rect panel) {
    double lowest = 0.0, highest = 0.0;
    for (const auto& column : columns)
        if (column.gainDb) {
            lowest = std::min(lowest, *column.gainDb);
            highest = std::max(highest, *column.gainDb);
        }
    const double below = std::clamp(-lowest, kLeastGainRangeDb, kGainLimitDb);
    const double above = highest >= kLeastPositiveGainDb ? std::min(highest, kGainLimitDb) : 0.0;
    const int room = (panel.Height() - 2 * kScaleInset) / kMinDecibelSpacing;
    const double step = decibelStep(below + above, room);
    return {panel, std::ceil(above / step - 1e-9) * step, -std::ceil(below / step - 1e-9) * step, step};
}

LevelPlot::LevelPlot(const LevelHistory& history, const LevelPlotCaption& caption)
    : canvas(kWidth, kHeight, kBackground),
      titleFont(platform::Font::Open(kFontFamily, kTitlePixels, true, false)),
      labelFont(platform::Font::Open(kFontFamily, kLabelPixels, false, false)),
      columns(history.columns(kWidth - kMarginLeft - kMarginRight)), seconds(history.seconds()),
      time(seconds, (kWidth - kMarginLeft - kMarginRight) / kMinTimeLabelSpacing) {
    const int shared = kHeight - kMarginTop - kMarginBottom - kPanelGap;
    const int levelHeight = static_cast<int>(std::lround(shared * kLevelShare));
    const int right = kWidth - kMarginRight;
    levels = levelScale(columns, {kMarginLeft, kMarginTop, right, kMarginTop + levelHeight});
    const int gainTop = levels.panel.Bottom + kPanelGap;
    gain = gainScale(columns, {kMarginLeft, gainTop, right, kHeight - kMarginBottom});
    levelTicks = decibelTicks(levels.topDb, levels.bottomDb, levels.stepDb);
    gainTicks = decibelTicks(gain.topDb, gain.bottomDb, gain.stepDb);

    // A column's window never reaches beyond the file.
    const double columnSeconds =
        std::min(seconds, std::max({seconds / static_cast<double>(columns.size()), history.sliceSeconds(),
                                    LevelHistory::kLeastWindowSeconds}));
    draw(caption, columnSeconds);
}

void LevelPlot::draw(const LevelPlotCaption& caption, double columnSeconds) {
    drawHeader(caption, columnSeconds);
    drawLegend();
    drawGrid(levels, levelTicks);
    drawGrid(gain, gainTicks);
    // Both areas before either line, so that neither line is dimmed by the other's area.
    shadeLevel(&LevelColumn::inputDb, kInputColour, kInputShade);
    shadeLevel(&LevelColumn::outputDb, kOutputColour, kOutputShade);
    outlineLevel(&LevelColumn::inputDb, kInputColour);
    outlineLevel(&LevelColumn::outputDb, kOutputColour);
    drawLoudness();
    drawGain();
    drawFrame(levels.panel);
    drawFrame(gain.panel);
    drawDecibelLabels(levels, levelTicks);
    drawDecibelLabels(gain, gainTicks);
    drawTimeLabels();
    drawAxisTitles();
}

int LevelPlot::timeColumn(double at) const {
    const double width = levels.panel.Width();
    const int column = levels.panel.Left + static_cast<int>(seconds > 0.0 ? at / seconds * width : 0.0);
    return std::min(column, levels.panel.Right - 1); // the last mark lies on the right edge
}

// --- text around the panels

void LevelPlot::drawHeader(const LevelPlotCaption& caption, double columnSeconds) {
    canvas.drawText(*titleFont, caption.title, kMarginLeft, kTitleTop, kText);
    const std::string how = (caption.subtitle.empty() ? "" : caption.subtitle + "   \u00B7   ") +
                            "sample peaks over " + durationText(columnSeconds) +
                            ", gain where the input is above \u2212" +
                            fixedText(-LevelHistory::kGainFloorDb, 0) + " dBFS, loudness over 3 s";
    canvas.drawText(*labelFont, how, kMarginLeft, kSubtitleTop, kMutedText);
}

void LevelPlot::drawLegend() {
    struct Entry {
        const char* name;
        toolkit::TColor colour;
    };
    const Entry entries[] = {{"Input peak", kInputColour},
                             {"Output peak", kOutputColour},
                             {"Output loudness (LUFS)", kLoudnessColour},
                             {"Gain (output \u2212 input)", kGainColour}};
    constexpr int kSwatch = 18, kSwatchGap = 7, kEntryGap = 22;
    const int textHeight = labelFont->Measure("").height;
    const int y = kLegendTop;
    int x = kWidth - kMarginRight;
    for (auto entry = std::rbegin(entries); entry != std::rend(entries); ++entry) {
        x -= labelFont->Measure(entry->name).width;
        canvas.drawText(*labelFont, entry->name, x, y, kText);
        x -= kSwatchGap + kSwatch;
        const float middle = static_cast<float>(y) + textHeight / 2.0f;
        const PlotPoint swatch[] = {{static_cast<float>(x), middle},
                                    {static_cast<float>(x + kSwatch), middle}};
        canvas.strokeLine(swatch, 3.0f, entry->colour, {0, 0, kWidth, kHeight});
        x -= kEntryGap;
    }
}

void LevelPlot::drawDecibelLabels(const Scale& scale, const std::vector<AxisTick>& ticks) {
    const platform::TextExtent box = labelFont->Measure("0");
    for (const auto& tick : ticks) {
        const int row = pixelRow(scale.y(tick.value));
        canvas.fillRect({scale.panel.Left - kTickLength, row, scale.panel.Left, row + 1}, kFrame);
        const int width = labelFont->Measure(tick.label).width;
        canvas.drawText(*labelFont, tick.label, scale.panel.Left - kTickLength - 5 - width,
                        row - box.height / 2, kMutedText);
    }
}

void LevelPlot::drawTimeLabels() {
    const int bottom = gain.panel.Bottom;
    for (const auto& tick : time.ticks()) {
        const int column = timeColumn(tick.value);
        canvas.fillRect({column, bottom, column + 1, bottom + kTickLength}, kFrame);
        const int width = labelFont->Measure(tick.label).width;
        const int x = std::clamp(column - width / 2, 0, kWidth - width);
        canvas.drawText(*labelFont, tick.label, x, bottom + kTickLength + 3, kMutedText);
    }
}

void LevelPlot::drawAxisTitles() {
    const std::string timeTitle = std::string("Time (") + time.unit() + ")";
    const int timeWidth = labelFont->Measure(timeTitle).width;
    canvas.drawText(*labelFont, timeTitle, levels.panel.Left + (levels.panel.Width() - timeWidth) / 2,
                    kHeight - 22, kText);
    const auto upwards = [this](const char* title, const platform::Rect& panel) {
        const platform::TextExtent box = labelFont->Measure(title);
        canvas.drawTextUpwards(*labelFont, title, 14, panel.Top + (panel.Height() - box.width) / 2, kText);
    };
    upwards("Level (dBFS, LUFS)", levels.panel);
    upwards("Gain (dB)", gain.panel);
}

// --- panels

void LevelPlot::drawGrid(const Scale& scale, const std::vector<AxisTick>& ticks) {
    const platform::Rect& panel = scale.panel;
    canvas.fillRect(panel, kPanel);
    for (const auto& tick : time.ticks()) {
        const int column = timeColumn(tick.value);
        canvas.fillRect({column, panel.Top, column + 1, panel.Bottom}, kGrid);
    }
    for (const auto& tick : ticks) {
        const int row = pixelRow(scale.y(tick.value));
        canvas.fillRect({panel.Left, row, panel.Right, row + 1}, tick.value == 0.0 ? kZeroLine : kGrid);
    }
}

void LevelPlot::drawFrame(const platform::Rect& panel) {
    canvas.fillRect({panel.Left, panel.Top, panel.Right, panel.Top + 1}, kFrame);
    canvas.fillRect({panel.Left, panel.Bottom - 1, panel.Right, panel.Bottom}, kFrame);
    canvas.fillRect({panel.Left, panel.Top, panel.Left + 1, panel.Bottom}, kFrame);
    canvas.fillRect({panel.Right - 1, panel.Top, panel.Right, panel.Bottom}, kFrame);
}

// The level of each column as an area down to the floor, and as a line along its top.
void LevelPlot::shadeLevel(double LevelColumn::*level, toolkit::TColor colour, float opacity) {
    const float floor = levels.y(levels.bottomDb);
    for (std::size_t c = 0; c < columns.size(); ++c)
        canvas.shadeColumn(levels.panel.Left + static_cast<int>(c), levels.y(columns[c].*level), floor,
                           colour, opacity);
}

void LevelPlot::outlineLevel(double LevelColumn::*level, toolkit::TColor colour) {
    std::vector<PlotPoint> outline;
    for (std::size_t c = 0; c < columns.size(); ++c)
        outline.push_back({static_cast<float>(levels.panel.Left + static_cast<int>(c)) + 0.5f,
                           levels.y(columns[c].*level)});
    canvas.strokeLine(outline, kLineWidth, colour, levels.panel);
}

// On the level scale: a loudness in LUFS is a level relative to full scale, like the peaks beside it.
void LevelPlot::drawLoudness() {
    std::vector<PlotPoint> line;
    for (std::size_t c = 0; c < columns.size(); ++c)
        if (columns[c].outputLoudnessLufs)
            line.push_back({static_cast<float>(levels.panel.Left + static_cast<int>(c)) + 0.5f,
                            levels.y(*columns[c].outputLoudnessLufs)});
    canvas.strokeLine(line, kLineWidth * 1.5f, kLoudnessColour, levels.panel);
}

// The gain as an area between 0 dB and the curve, broken where the input was too quiet to measure it.
void LevelPlot::drawGain() {
    std::vector<PlotPoint> run;
    const float zero = gain.y(0.0);
    const auto finishRun = [&] {
        canvas.strokeLine(run, kLineWidth, kGainColour, gain.panel);
        run.clear();
    };
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (!columns[c].gainDb) {
            finishRun();
            continue;
        }
        const int x = gain.panel.Left + static_cast<int>(c);
        const float y = gain.y(*columns[c].gainDb);
        canvas.shadeColumn(x, zero, y, kGainColour, kGainShade);
        run.push_back({x + 0.5f, y});
    }
    finishRun();
}

// --- the file

LevelPlotFile::LevelPlotFile(const std::string& path) : path(path), file(path) {
    std::error_code unknown; // a path that cannot be looked at fails below when it is written
    if (std::filesystem::is_directory(path, unknown))
        throw PlotFileError(path + ": cannot be written (it is a folder)");
    std::FILE* claim = std::fopen(file.temporaryPath().string().c_str(), "wb");
    if (claim == nullptr)
        throw PlotFileError(path + ": cannot be written (" + std::strerror(errno) + ")");
    std::fclose(claim);
}

void LevelPlotFile::write(const toolkit::TPictureData& picture) {
    try {
        toolkit::SavePng(file.temporaryPath().string(), picture);
    } catch (const toolkit::EPictureError& error) {
        throw PlotFileError(path + ": cannot be written (" + error.what() + ")");
    }
}

} // namespace host
