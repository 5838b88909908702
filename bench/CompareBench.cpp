// The processing-cost targets, judged from one run in which every contender is measured alternately
// in short rounds (so that all see the same machine load): the built TMX-1.so on every factory
// program with metering on and on the default program with the editor closed, against the reference
// limiter at its default settings and, optionally, against other builds of TMX-1 on the same cases
// (an earlier version, to see what a change gained).
//
//   tmx1_compare_bench [--reference REF.so] [--baseline OTHER.so]... [--seconds S] [--case TEXT]
//
// --seconds is the time per case (default 2), --case runs only the cases whose name contains TEXT.
//
// Then True Peak's cost: "Maximum Loudness" with it on against the same program with it off.
//
// Then the automation cases: a host playing an automation lane sends a new value before every block,
// so a 100 ms ramp always runs. TMX-1 on "Warm Tollimation" with one lane moving is measured
// alternately with itself at rest and, for Threshold, with the reference limiter whose threshold moves
// the same way.
#include "platform/headless/Screen.h"
#include "tools/tmx1-host/Arguments.h"
#include "tools/tmx1-host/DemoSignal.h"
#include "tools/tmx1-host/EditorOnScreen.h"
#include "tools/tmx1-host/EffectSetup.h"
#include "tools/tmx1-host/ProcessingTimer.h"

#include "dsp/ParameterTable.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr const char* kDefaultReference = "/usr/lib/vst/lsp-plugins/limiter-stereo.so";
constexpr double kDefaultSeconds = 2.0;
constexpr int kFewestRounds = 5;

// Targets, as ratios of costs measured in the same run.
constexpr double kDefaultProgramLimit = 1.0;   // "Warm Tollimation", metering on, to the reference
constexpr double kLongestChainLimit = 1.5;     // "Fast Tollimation", metering on, to the reference
constexpr double kEditorClosedLimit = 0.7;     // "Warm Tollimation", editor closed, to the reference
constexpr double kBaselineLimit = 0.8;         // every case to each baseline build
constexpr double kAutomatedLimit = 1.3;        // a moving lane to the same program at rest
constexpr double kThresholdToRestLimit = 2.0;  // a moving Threshold to the same program at rest
constexpr double kThresholdToReferenceLimit = 1.0; // to the reference with its threshold moving
constexpr double kTruePeakLimit = 1.5;         // "Maximum Loudness" with True Peak on, to it off

struct Case {
    std::string name;
    int program;
    bool editorClosed;
};

// Every program of the plug-in at `path` with metering on, then its first with the editor closed.
std::vector<Case> allCases(const std::string& path) {
    host::Host host;
    const auto effect = host::openEffect(host, path);
    std::vector<Case> cases;
    for (int p = 0; p < effect->record().numPrograms; ++p)
        cases.push_back({host::programName(*effect, p), p, false});
    cases.push_back({cases.front().name + ", editor closed", 0, true});
    return cases;
}

struct Contender {
    std::string label;
    std::string path;
    bool isTmx; // takes the case's program and editor state; the reference keeps its defaults
};

// Warms every timer up, then times them in turns for at least `seconds`. Each round starts with the
// next contender, so that each follows every one (itself included) as often: a round's first blocks
// pay for what the one before left in the caches and the branch predictors, and in a fixed order the
// first contender always paid for the last.
void timeAlternately(std::vector<std::unique_ptr<host::ProcessingTimer>>& timers, double seconds) {
    for (auto& timer : timers)
        timer->warmUp();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    const std::size_t count = timers.size();
    for (std::size_t round = 0; round < kFewestRounds || std::chrono::steady_clock::now() < deadline; ++round)
        for (std::size_t turn = 0; turn < count; ++turn)
            timers[(round + turn) % count]->timeRound();
}

// One case: a timer per contender, measured in turns; answers each contender's ns per frame.
std::vector<double> measure(const Case& c, const std::vector<Contender>& contenders, const host::StereoSignal& signal,
                            double seconds) {
    platform::headless::Screen screen;
    bool editorRefused = false;
    const auto setUp = [&](host::HostedEffect& effect) {
        effect.dispatch(vst::effSetProgram, 0, c.program);
        // An effect meters from its creation until an editor has been closed.
        if (c.editorClosed) {
            editorRefused = editorRefused || host::openEditorOnScreen(effect.record(), screen) == 0;
            effect.dispatch(vst::effEditClose);
        }
    };
    std::vector<std::unique_ptr<host::ProcessingTimer>> timers;
    for (const Contender& contender : contenders) {
        timers.push_back(contender.isTmx ? std::make_unique<host::ProcessingTimer>(contender.path, signal, setUp)
                                         : std::make_unique<host::ProcessingTimer>(contender.path, signal));
        // A build from before the headless-screen request opens no editor here, so it keeps metering.
        if (std::exchange(editorRefused, false))
            std::printf("  (%s opened no editor on the headless screen: it meters in \"%s\")\n",
                        contender.label.c_str(), c.name.c_str());
    }
    timeAlternately(timers, seconds);
    std::vector<double> costs;
    for (const auto& timer : timers)
        costs.push_back(timer->nanosecondsPerFrame());
    return costs;
}

// A target: a cost ratio measured in the run and the most it may be.
struct Target {
    std::string what;
    double ratio;
    double limit;
};

// ---- automation

// A lane as a host plays it: a value before every block, moving slowly as a drawn curve does (one
// cycle in about two seconds) around `centre`.
float laneValue(float centre, float depth, long block) {
    return std::clamp(centre + depth * static_cast<float>(std::sin(0.073 * static_cast<double>(block))), 0.0f, 1.0f);
}

struct Lane {
    std::string name;
    std::vector<int> parameters; // all moved together
    float depth;
};

// The reference's threshold: the parameter named "th", or the first whose name has "thresh" in it.
std::optional<int> referenceThreshold(host::HostedEffect& effect) {
    for (int p = 0; p < effect.record().numParams; ++p) {
        std::string name = effect.text(vst::effGetParamName, p);
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char ch) { return std::tolower(ch); });
        if (name == "th" || name.find("thresh") != std::string::npos)
            return p;
    }
    return std::nullopt;
}

// Moves the parameters from their values at the start, before every block.
std::function<void(host::HostedEffect&, long)> playLane(std::vector<int> parameters, float depth) {
    auto centres = std::make_shared<std::vector<float>>();
    return [parameters, depth, centres](host::HostedEffect& effect, long block) {
        if (centres->empty())
            for (int p : parameters)
                centres->push_back(effect.getParameter(p));
        for (std::size_t i = 0; i < parameters.size(); ++i) {
            // A switch moves within its half, so it stays as it is; the ramps run all the same. A
            // lane near an end of the range moves inside it, never held at the end.
            const float centre = depth > 0.0f ? std::clamp((*centres)[i], depth, 1.0f - depth) : (*centres)[i];
            const float d = depth > 0.0f ? depth : (centre > 0.5f ? -0.05f : 0.05f) * static_cast<float>(block % 2);
            effect.setParameter(parameters[i], depth > 0.0f ? laneValue(centre, d, block) : centre + d);
        }
    };
}

// True Peak's estimates, on the program made for the last stage of a master, metering on.
void truePeakCase(const std::string& tmx, const host::StereoSignal& signal, double seconds, const std::string& only,
                  std::vector<Target>& targets) {
    const std::string name = "Maximum Loudness, True Peak on";
    if (name.find(only) == std::string::npos)
        return;
    constexpr int kMaximumLoudness = 7;
    const auto withTruePeak = [](float on) {
        return [on](host::HostedEffect& effect) {
            effect.dispatch(vst::effSetProgram, 0, kMaximumLoudness);
            effect.setParameter(tmx1::kTruePeak, on);
        };
    };
    std::vector<std::unique_ptr<host::ProcessingTimer>> timers;
    timers.push_back(std::make_unique<host::ProcessingTimer>(tmx, signal, withTruePeak(1.0f)));
    timers.push_back(std::make_unique<host::ProcessingTimer>(tmx, signal, withTruePeak(0.0f)));
    timeAlternately(timers, seconds);
    const double on = timers[0]->nanosecondsPerFrame();
    const double off = timers[1]->nanosecondsPerFrame();
    std::printf("\n%-42s TMX-1 %6.2f   True Peak off %6.2f (%.2f)\n", name.c_str(), on, off, on / off);
    targets.push_back({name + " against it off", on / off, kTruePeakLimit});
}

void automationCases(const std::string& tmx, const std::optional<std::string>& reference,
                     const host::StereoSignal& signal, double seconds, const std::string& only,
                     std::vector<Target>& targets) {
    using namespace tmx1;
    const std::vector<Lane> lanes{
        {"Gain", {kGain}, 0.05f},
        {"Knee", {kKnee}, 0.1f},
        {"Release", {kRelease}, 0.1f},
        {"Release Type", {kReleaseType}, 0.0f},
        {"Auto-Gain, Brick-Wall, Stereo Link", {kAutoGain, kBrickWall, kStereoLink}, 0.0f},
        {"PDE", {kPde}, 0.0f},
        {"Threshold", {kThreshold}, 0.05f},
    };
    std::printf("\nAutomation: \"Warm Tollimation\", metering on, a value before every block\n");
    for (const Lane& lane : lanes) {
        const std::string name = lane.name + " automated";
        if (name.find(only) == std::string::npos)
            continue;
        const bool threshold = lane.parameters.front() == kThreshold;
        std::vector<std::unique_ptr<host::ProcessingTimer>> timers;
        timers.push_back(std::make_unique<host::ProcessingTimer>(tmx, signal));
        timers.back()->setBeforeBlock(playLane(lane.parameters, lane.depth));
        timers.push_back(std::make_unique<host::ProcessingTimer>(tmx, signal));
        std::optional<int> refThreshold;
        if (threshold && reference) {
            host::Host probeHost;
            const auto probe = host::openEffect(probeHost, *reference);
            refThreshold = referenceThreshold(*probe);
            if (refThreshold) {
                timers.push_back(std::make_unique<host::ProcessingTimer>(*reference, signal));
                timers.back()->setBeforeBlock(playLane({*refThreshold}, lane.depth));
            }
        }
        timeAlternately(timers, seconds);
        const std::size_t count = timers.size();
        const double moving = timers[0]->nanosecondsPerFrame();
        const double rest = timers[1]->nanosecondsPerFrame();
        std::printf("%-42s TMX-1 %6.2f   at rest %6.2f (%.2f)", name.c_str(), moving, rest, moving / rest);
        if (count > 2) {
            const double ref = timers[2]->nanosecondsPerFrame();
            std::printf("   reference, threshold automated %6.2f (%.2f)", ref, moving / ref);
            targets.push_back({name + " against the reference automated alike", moving / ref,
                               kThresholdToReferenceLimit});
        }
        std::printf("\n");
        targets.push_back({name + " against itself at rest", moving / rest,
                           threshold ? kThresholdToRestLimit : kAutomatedLimit});
    }
}



// The target a case sets against a contender, if any.
std::optional<double> limitFor(const Case& c, const Contender& against) {
    if (against.isTmx)
        return kBaselineLimit;
    if (c.program == 0)
        return c.editorClosed ? kEditorClosedLimit : kDefaultProgramLimit;
    if (c.program == 2)
        return kLongestChainLimit;
    return std::nullopt;
}

void report(const std::vector<Target>& targets) {
    std::printf("\nTargets (cost ratio, at most the limit):\n");
    int missed = 0;
    for (const Target& t : targets) {
        const bool met = t.ratio <= t.limit;
        missed += met ? 0 : 1;
        char what[200];
        std::snprintf(what, sizeof what, "%s, at most %.2f", t.what.c_str(), t.limit);
        std::printf("  %-66s %6.3f  %s\n", what, t.ratio, met ? "met" : "NOT MET");
    }
    std::printf("%zu met, %d not met\n", targets.size() - static_cast<std::size_t>(missed), missed);
}

int run(host::Arguments arguments) {
    std::vector<Contender> contenders{{"TMX-1", TMX1_PLUGIN_PATH, true}};
    const std::vector<std::string> baselines = arguments.options("--baseline");
    for (std::size_t i = 0; i < baselines.size(); ++i)
        contenders.push_back({"baseline " + std::to_string(i + 1), baselines[i], true});
    const std::string reference = arguments.option("--reference").value_or(kDefaultReference);
    const bool haveReference = std::filesystem::exists(reference);
    if (haveReference)
        contenders.push_back({"reference", reference, false});
    const double seconds = arguments.positiveOption("--seconds").value_or(kDefaultSeconds);
    const std::string only = arguments.option("--case").value_or("");
    arguments.positionals(0, 0);

    std::printf("Demo signal, 44100 Hz stereo, blocks of %d frames, contenders measured alternately, "
                "%.1f s per case; ns per stereo frame (ratio to TMX-1's cost in brackets)\n",
                host::ProcessingTimer::kBlockFrames, seconds);
    for (std::size_t i = 1; i < contenders.size(); ++i)
        std::printf("  %-11s %s\n", contenders[i].label.c_str(), contenders[i].path.c_str());
    if (!haveReference)
        std::printf("  (no reference limiter at %s: its targets are not judged)\n", reference.c_str());

    const host::DemoSignal demo(host::ProcessingTimer::kSampleRate);
    std::vector<Target> targets;
    for (const Case& c : allCases(contenders.front().path)) {
        if (c.name.find(only) == std::string::npos)
            continue;
        const std::vector<double> costs = measure(c, contenders, demo.signal(), seconds);
        std::printf("%-42s TMX-1 %6.2f", c.name.c_str(), costs[0]);
        for (std::size_t i = 1; i < contenders.size(); ++i)
            std::printf("   %s %6.2f (%.2f)", contenders[i].label.c_str(), costs[i], costs[0] / costs[i]);
        std::printf("\n");
        for (std::size_t i = 1; i < contenders.size(); ++i)
            if (const auto limit = limitFor(c, contenders[i]))
                targets.push_back({c.name + " against the " + contenders[i].label, costs[0] / costs[i], *limit});
    }
    truePeakCase(contenders.front().path, demo.signal(), seconds, only, targets);
    automationCases(contenders.front().path, haveReference ? std::optional<std::string>(reference) : std::nullopt,
                    demo.signal(), seconds, only, targets);
    report(targets);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return run(host::Arguments(std::vector<std::string>(argv + 1, argv + argc)));
    } catch (const std::exception& e) {
        std::cerr << "tmx1_compare_bench: " << e.what() << "\n";
        return 2;
    }
}
