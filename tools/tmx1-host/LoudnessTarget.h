// Rendering to a loudness: TMX-1 brings a file's integrated loudness to a target under a true-peak
// ceiling by its own means. True Peak, Brick-Wall and Auto-Gain go on and Gain goes to the ceiling
// (with Auto-Gain on, the brick-wall bound is Gain); the Threshold, whose make-up lifts the output as
// it falls, is searched for by rendering in memory, and the output is written once, with the
// Threshold found.
#pragma once

#include "tools/tmx1-host/Arguments.h"
#include "tools/tmx1-host/Renderer.h"

#include <functional>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <vector>

namespace host {

// A target that cannot be reached; the message says why, and what can be.
class LoudnessTargetError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct LoudnessTarget {
    static constexpr double kDefaultCeilingDbtp = -1.0;
    // How close the output's integrated loudness comes to the target.
    static constexpr double kToleranceLu = 0.1;

    double integratedLufs = 0.0;
    double ceilingDbtp = kDefaultCeilingDbtp;
};

// Takes "--loudness LUFS" and "--ceiling DBTP" out of a render's arguments; nothing without
// --loudness. Throws UsageError for a value that is not a number, a ceiling outside Gain's range, or
// a ceiling without a loudness.
std::optional<LoudnessTarget> takeLoudnessTarget(Arguments& arguments);

// Throws UsageError for a setting of a parameter that the target sets itself.
void refuseTargetParameters(const std::vector<ParameterSetting>& settings);

// One render at one Threshold (dB as the panel shows it).
struct ThresholdTrial {
    double thresholdDb;
    double integratedLufs;
};

struct ThresholdSearch {
    enum class Outcome {
        reached,  // `nearest` is within the tolerance
        tooQuiet, // even the loudest end of the range is below the target: `nearest` is that end
        tooLoud,  // even the quietest end is above it: `nearest` is that end
        jumps,    // the loudness leaps over the target between two neighbouring steps, `nearest` and `other`
    };
    Outcome outcome;
    ThresholdTrial nearest;
    ThresholdTrial other = {};
};

// Searches Threshold's range, in steps of 0.01 dB that --param Threshold= can give back, for a
// Threshold at which `loudnessAt` comes within half the tolerance of `targetLufs`, so that the
// written file, rendered once more, lies within it. Makes no assumption about which way the loudness
// goes with the Threshold, only that it goes one way.
ThresholdSearch searchThreshold(double targetLufs,
                                const std::function<double(double thresholdDb)>& loudnessAt);

struct TargetedRender {
    RenderSummary summary; // of the output as written
    double thresholdDb;
    int trials; // renders in memory before the one written
};

// Searches, then renders the request's output with the target's settings on top of the request's
// program and parameters. Throws LoudnessTargetError when the target cannot be reached, and whatever
// render() throws; then nothing is written.
TargetedRender renderToLoudness(RenderRequest request, const LoudnessTarget& target);

void printTargetChoice(const TargetedRender& result, const LoudnessTarget& target, std::ostream& out);

} // namespace host
