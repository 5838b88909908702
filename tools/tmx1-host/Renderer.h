// Rendering an audio file through an effect, offline, as a DAW's bounce does: block by block at
// the file's sample rate, with the effect's latency taken out so that the output lines up with the
// input sample for sample and is exactly as long.
#pragma once

#include "tools/tmx1-host/EffectSetup.h"
#include "tools/tmx1-host/LevelHistory.h"
#include "tools/tmx1-host/LoudnessMeter.h"
#include "tools/tmx1-host/ProgressBar.h"
#include "tools/tmx1-host/SoundFile.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace host {

struct RenderRequest {
    std::string pluginPath;
    std::string inputPath;
    std::string outputPath;
    std::optional<std::string> plotPath; // a PNG of the levels and the gain over time, when given
    std::optional<std::string> program;  // number or exact name; the effect's current one when absent
    std::optional<std::string> preset;   // a preset file applied after the program
    std::vector<ParameterSetting> parameters;
    int blockFrames = 512;
    bool compensateLatency = true;
};

struct RenderSummary {
    int sampleRate = 0;
    std::int64_t frames = 0;
    int inputChannels = 0;
    SoundFormat outputFormat;
    int latency = 0; // as the effect reported it after resume
    bool latencyCompensated = true;
    double inputPeak = 0.0; // linear
    double outputPeak = 0.0;
    Loudness inputLoudness;  // of the file as read: a mono file is measured as one channel
    Loudness outputLoudness; // of the file as written
    std::optional<double> largestReductionDb;
    double processingSeconds = 0.0;     // spent inside the effect's processing calls
    std::optional<LevelHistory> levels; // what the plot shows, when one was asked for

    double audioSeconds() const { return sampleRate > 0 ? static_cast<double>(frames) / sampleRate : 0.0; }
};

// Writes the output (and the plot) under a temporary name and renames it when complete. Throws
// SoundFileError, PlotFileError, platform::FontError, HostError, SetupError or LoudnessError with a one-line
// reason; then no file exists under the output's (or the plot's) name that was not there before,
// except when the plot's own rename, the very last step, fails after the output's.
RenderSummary render(const RenderRequest& request, ProgressBar& progress);

// Renders as render() does and answers the integrated loudness (LUFS, minus infinity below the gate) of
// the output it would write, without writing anything.
double renderedLoudness(const RenderRequest& request, ProgressBar& progress);

void printSummary(const RenderSummary& summary, std::ostream& out);

} // namespace host
