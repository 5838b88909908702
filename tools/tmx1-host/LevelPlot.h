// A picture of what an effect did to a file: the peak levels of the input and of the output over
// time with the output's short-term loudness, and below them the gain the effect applied, on one time
// axis; and the PNG file it goes to.
#pragma once

#include "platform/Font.h"
#include "tools/tmx1-host/LevelHistory.h"
#include "platform/PendingFile.h"
#include "tools/tmx1-host/PlotAxes.h"
#include "tools/tmx1-host/PlotPicture.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace host {

// A plot that cannot be written; the message names the file and the reason.
class PlotFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct LevelPlotCaption {
    std::string title;    // what was rendered into what, e.g. "in.wav → out.wav"
    std::string subtitle; // how, e.g. the effect and its program
};

class LevelPlot {
  public:
    static constexpr int kWidth = 1200;
    static constexpr int kHeight = 600;
    static constexpr double kLevelFloorDb = -60.0; // quieter levels are drawn on the floor
    static constexpr toolkit::TColor kInputColour = plotColour(0x4EA8F0);
    static constexpr toolkit::TColor kOutputColour = plotColour(0xF5A93B);
    static constexpr toolkit::TColor kGainColour = plotColour(0xEE5D73);
    static constexpr toolkit::TColor kLoudnessColour = plotColour(0x7CDB8A);

    // Draws the whole picture. Throws platform::FontError when no font can be opened.
    LevelPlot(const LevelHistory& history, const LevelPlotCaption& caption);

    const toolkit::TPictureData& picture() const { return canvas.picture(); }

  private:
    // dB values to heights in one panel, leaving a little room above the top and below the bottom
    // value so that a curve along either is not cut in half by the frame.
    struct Scale {
        platform::Rect panel;
        double topDb = 0.0;
        double bottomDb = 0.0;
        double stepDb = 10.0; // between marks; top and bottom are multiples of it
        float y(double db) const;
    };

    static Scale levelScale(const std::vector<LevelColumn>& columns, platform::Rect panel);
    static Scale gainScale(const std::vector<LevelColumn>& columns, platform::Rect panel);

    void draw(const LevelPlotCaption& caption, double columnSeconds);
    void drawHeader(const LevelPlotCaption& caption, double columnSeconds);
    void drawLegend();
    void drawGrid(const Scale& scale, const std::vector<AxisTick>& ticks);
    void shadeLevel(double LevelColumn::*level, toolkit::TColor colour, float opacity);
    void outlineLevel(double LevelColumn::*level, toolkit::TColor colour);
    void drawGain();
    void drawLoudness();
    void drawFrame(const platform::Rect& panel);
    void drawDecibelLabels(const Scale& scale, const std::vector<AxisTick>& ticks);
    void drawTimeLabels();
    void drawAxisTitles();
    // The pixel column of a time in seconds.
    int timeColumn(double at) const;

    PlotPicture canvas;
    std::unique_ptr<platform::Font> titleFont, labelFont;
    std::vector<LevelColumn> columns;
    double seconds;
    TimeAxis time;
    Scale levels, gain;
    std::vector<AxisTick> levelTicks, gainTicks;
};

// The place a plot goes, claimed before the render with an empty temporary file beside it, so that a
// path that cannot be written fails at once rather than after the audio; the plot appears under its
// name only once it is complete.
class LevelPlotFile {
  public:
    // Throws PlotFileError when the temporary file cannot be created.
    explicit LevelPlotFile(const std::string& path);

    // Writes the PNG under the temporary name; throws PlotFileError.
    void write(const toolkit::TPictureData& picture);
    // Renames it to its final name; throws SoundFileError (as for the audio) when that fails.
    void commit() { file.commit(); }

  private:
    std::string path;
    platform::PendingFile file;
};

} // namespace host
