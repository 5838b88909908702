#include "tools/tmx1-host/LoudnessTarget.h"

#include "dsp/ParameterTable.h"
#include "tools/tmx1-host/LevelPlot.h"
#include "tools/tmx1-host/LoudnessMeter.h"
#include "tools/tmx1-host/NumberText.h"
#include "tools/tmx1-host/ParameterWords.h"
#include "platform/PendingFile.h"

#include <algorithm>
#include <cmath>

namespace host {

namespace {

constexpr const tmx1::ParameterInfo& kThresholdInfo = tmx1::kParameters[tmx1::kThreshold];
constexpr const tmx1::ParameterInfo& kGainInfo = tmx1::kParameters[tmx1::kGain];
constexpr double kStepDb = 0.01;
constexpr double kAimLu = LoudnessTarget::kToleranceLu / 2.0;
constexpr int kOwned[] = {tmx1::kThreshold, tmx1::kGain, tmx1::kAutoGain, tmx1::kBrickWall, tmx1::kTruePeak};

double number(const std::string& text, const std::string& option, const std::string& unit) {
    const auto value = parseReal(text);
    if (!value)
        throw UsageError(option + " needs a number in " + unit + ", not '" + text + "'");
    return *value;
}

// Adding zero turns the -0 of a small negative value rounded away into 0, which prints without a sign.
double onStep(double thresholdDb) { return std::round(thresholdDb / kStepDb) * kStepDb + 0.0; }

// One end of the Threshold range still searched, on one side of the target; `weight` scales its
// distance from the target where the next Threshold is placed.
struct SearchEnd {
    ThresholdTrial trial;
    double weight = 1.0;
};

// The next Threshold to try between two ends on either side of the target: where the straight line
// through them meets it, or the middle while either is silence.
double between(const SearchEnd& below, const SearchEnd& above, double targetLufs) {
    const double fromBelow = below.weight * (targetLufs - below.trial.integratedLufs);
    const double fromAbove = above.weight * (above.trial.integratedLufs - targetLufs);
    if (!std::isfinite(fromBelow) || !std::isfinite(fromAbove))
        return (below.trial.thresholdDb + above.trial.thresholdDb) / 2.0;
    const double share = fromBelow / (fromBelow + fromAbove);
    return below.trial.thresholdDb + share * (above.trial.thresholdDb - below.trial.thresholdDb);
}

std::vector<ParameterSetting> withTarget(std::vector<ParameterSetting> settings, const LoudnessTarget& target,
                                         double thresholdDb) {
    settings.push_back(panelSetting(tmx1::kThreshold, static_cast<float>(thresholdDb)));
    settings.push_back(panelSetting(tmx1::kGain, static_cast<float>(target.ceilingDbtp)));
    for (const int index : {tmx1::kAutoGain, tmx1::kBrickWall, tmx1::kTruePeak})
        settings.push_back(panelSetting(index, 1.0f));
    return settings;
}

// What render() would refuse before any work, refused before the search rather than after it: no file
// is left behind.
void claimFiles(const RenderRequest& request) {
    SoundReader input(request.inputPath);
    std::optional<LevelPlotFile> plot;
    if (request.plotPath)
        plot.emplace(*request.plotPath);
    platform::PendingFile output(request.outputPath);
    const SoundWriter claimed(output.temporaryPath().string(),
                              SoundWriter::floatFormatFor(input.format(), input.sampleRate()),
                              input.sampleRate());
}

double inputLoudness(const std::string& path) {
    SoundReader input(path);
    LoudnessMeter meter(input.channels(), input.sampleRate(), false, LoudnessMeter::Scope::integratedOnly);
    std::vector<float> left(4096), right(4096);
    while (const int got = input.read(left.data(), right.data(), static_cast<int>(left.size())))
        meter.add(left.data(), right.data(), got);
    return meter.loudness().integratedLufs;
}

std::string thresholdText(double thresholdDb) { return fixedText(thresholdDb, 2) + " dB"; }

std::string trialText(const ThresholdTrial& trial) {
    return lufsText(trial.integratedLufs) + " LUFS (Threshold " + thresholdText(trial.thresholdDb) + ")";
}

std::string failureText(const ThresholdSearch& search, const LoudnessTarget& target) {
    const std::string goal = "cannot reach " + fixedText(target.integratedLufs, 1) + " LUFS";
    const std::string ceiling = " with a " + fixedText(target.ceilingDbtp, 1) + " dBTP ceiling is ";
    switch (search.outcome) {
    case ThresholdSearch::Outcome::tooQuiet:
        return goal + ": the loudest TMX-1 can make this" + ceiling + trialText(search.nearest);
    case ThresholdSearch::Outcome::tooLoud:
        return goal + ": the quietest TMX-1 can make this" + ceiling + trialText(search.nearest);
    case ThresholdSearch::Outcome::jumps:
    case ThresholdSearch::Outcome::reached:
        break;
    }
    return goal + " within " + fixedText(LoudnessTarget::kToleranceLu, 1) + " LU: the loudness leaps from " +
           trialText(search.nearest) + " to " + trialText(search.other);
}

} // namespace

std::optional<LoudnessTarget> takeLoudnessTarget(Arguments& arguments) {
    const auto loudness = arguments.option("--loudness");
    const auto ceiling = arguments.option("--ceiling");
    if (!loudness) {
        if (ceiling)
            throw UsageError(
                "--ceiling goes with --loudness (for the output gain alone, give --param Gain=DB)");
        return std::nullopt;
    }
    LoudnessTarget target;
    target.integratedLufs = number(*loudness, "--loudness", "LUFS");
    if (!ceiling)
        return target;
    target.ceilingDbtp = number(*ceiling, "--ceiling", "dBTP");
    if (target.ceilingDbtp < kGainInfo.displayMin || target.ceilingDbtp > kGainInfo.displayMax)
        throw UsageError("--ceiling takes " + fixedText(kGainInfo.displayMin, 0) + " to " +
                         fixedText(kGainInfo.displayMax, 0) + " dBTP (it sets Gain), not " + *ceiling);
    return target;
}

void refuseTargetParameters(const std::vector<ParameterSetting>& settings) {
    for (const auto& setting : settings)
        if (std::find(std::begin(kOwned), std::end(kOwned), setting.index) != std::end(kOwned))
            throw UsageError("--loudness sets Threshold, Gain, Auto-Gain, Brick-Wall and True Peak itself; "
                             "leave " +
                             std::string(tmx1::kParameters[static_cast<std::size_t>(setting.index)].name) +
                             " out of --param");
}

ThresholdSearch searchThreshold(double targetLufs,
                                const std::function<double(double thresholdDb)>& loudnessAt) {
    const auto trial = [&](double thresholdDb) {
        return ThresholdTrial{thresholdDb, loudnessAt(thresholdDb)};
    };
    const auto hits = [&](const ThresholdTrial& t) {
        return std::fabs(t.integratedLufs - targetLufs) <= kAimLu;
    };
    const auto isBelow = [&](const ThresholdTrial& t) { return t.integratedLufs < targetLufs; };
    using Outcome = ThresholdSearch::Outcome;

    const ThresholdTrial lowest = trial(kThresholdInfo.displayMin);
    if (hits(lowest))
        return {Outcome::reached, lowest};
    const ThresholdTrial highest = trial(kThresholdInfo.displayMax);
    if (hits(highest))
        return {Outcome::reached, highest};
    const bool louderAtLowest = lowest.integratedLufs > highest.integratedLufs;
    if (isBelow(lowest) && isBelow(highest))
        return {Outcome::tooQuiet, louderAtLowest ? lowest : highest};
    if (!isBelow(lowest) && !isBelow(highest))
        return {Outcome::tooLoud, louderAtLowest ? highest : lowest};

    SearchEnd below{isBelow(lowest) ? lowest : highest};
    SearchEnd above{isBelow(lowest) ? highest : lowest};
    const SearchEnd* kept = nullptr;
    for (;;) {
        const double next = onStep(between(below, above, targetLufs));
        // Both neighbours on the step grid were tried: no step lies closer.
        if (std::fabs(next - below.trial.thresholdDb) < kStepDb / 2 ||
            std::fabs(next - above.trial.thresholdDb) < kStepDb / 2) {
            const bool belowNearer =
                targetLufs - below.trial.integratedLufs < above.trial.integratedLufs - targetLufs;
            return {Outcome::jumps, (belowNearer ? below : above).trial, (belowNearer ? above : below).trial};
        }
        const ThresholdTrial tried = trial(next);
        if (hits(tried))
            return {Outcome::reached, tried};
        SearchEnd& moved = isBelow(tried) ? below : above;
        SearchEnd& other = isBelow(tried) ? above : below;
        moved = {tried};
        // The line through a bent curve creeps up on the answer from one side, one end staying put;
        // halving that end's pull moves the next try across (the Illinois variant of regula falsi).
        if (kept == &other)
            other.weight /= 2.0;
        kept = &other;
    }
}

TargetedRender renderToLoudness(RenderRequest request, const LoudnessTarget& target) {
    claimFiles(request);
    if (!std::isfinite(inputLoudness(request.inputPath)))
        throw LoudnessTargetError(
            "cannot reach " + fixedText(target.integratedLufs, 1) + " LUFS: " + request.inputPath +
            " has no integrated loudness (silence, or nothing above -70 LUFS for 0.4 s)");
    const std::vector<ParameterSetting> given = request.parameters;
    int trials = 0;
    const auto loudnessAt = [&](double thresholdDb) {
        request.parameters = withTarget(given, target, thresholdDb);
        ProgressBar progress = ProgressBar::onStandardError("Trial " + std::to_string(++trials));
        const double lufs = renderedLoudness(request, progress);
        progress.note("trial " + std::to_string(trials) + ": Threshold " + thresholdText(thresholdDb) +
                      " -> " + lufsText(lufs) + " LUFS");
        return lufs;
    };
    const ThresholdSearch search = searchThreshold(target.integratedLufs, loudnessAt);
    if (search.outcome != ThresholdSearch::Outcome::reached)
        throw LoudnessTargetError(failureText(search, target));

    request.parameters = withTarget(given, target, search.nearest.thresholdDb);
    ProgressBar progress = ProgressBar::onStandardError("Rendering");
    return {render(request, progress), search.nearest.thresholdDb, trials};
}

void printTargetChoice(const TargetedRender& result, const LoudnessTarget& target, std::ostream& out) {
    const std::string ceiling = fixedText(target.ceilingDbtp, 1);
    out << "Loudness target   " << fixedText(target.integratedLufs, 1) << " LUFS integrated, ceiling "
        << ceiling << " dBTP: True Peak, Brick-Wall and Auto-Gain On, Gain " << ceiling << " dB\n";
    out << "Threshold         " << thresholdText(result.thresholdDb) << " gives "
        << lufsText(result.summary.outputLoudness.integratedLufs) << " LUFS integrated, true peak "
        << decibelText(result.summary.outputLoudness.truePeak) << " dBTP (ceiling " << ceiling
        << " dBTP), found in " << result.trials << " trial renders\n";
}

} // namespace host
