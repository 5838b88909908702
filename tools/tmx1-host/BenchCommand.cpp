#include "tools/tmx1-host/BenchCommand.h"

#include "tools/tmx1-host/NumberText.h"
#include "tools/tmx1-host/ProcessingTimer.h"

#include <chrono>
#include <filesystem>
#include <iomanip>

namespace host {

namespace {

constexpr double kDefaultSeconds = 3.0;
constexpr int kFewestRounds = 5;

struct Contender {
    Contender(std::string name, const std::string& path, const StereoSignal& signal)
        : name(std::move(name)), timer(path, signal) {}

    std::string name;
    ProcessingTimer timer;
};

// File names are short and usually distinct; where they are not, only the paths tell them apart.
std::vector<std::string> displayNames(const std::vector<std::string>& paths) {
    std::vector<std::string> names;
    for (const auto& path : paths)
        names.push_back(std::filesystem::path(path).filename().string());
    if (names.size() == 2 && names[0] == names[1])
        return paths;
    return names;
}

void measureAlternately(std::vector<std::unique_ptr<Contender>>& contenders, double seconds) {
    for (auto& contender : contenders)
        contender->timer.warmUp();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (int round = 0; round < kFewestRounds || std::chrono::steady_clock::now() < deadline; ++round)
        for (auto& contender : contenders)
            contender->timer.timeRound();
}

void report(const std::vector<std::unique_ptr<Contender>>& contenders, double seconds, std::ostream& out) {
    std::size_t width = 0;
    for (const auto& contender : contenders)
        width = std::max(width, contender->name.size());
    out << "Signal: demo drums and bass, " << ProcessingTimer::kSampleRate << " Hz stereo, blocks of "
        << ProcessingTimer::kBlockFrames << " frames, " << fixedText(seconds, 1) << " s"
        << (contenders.size() > 1 ? " measured alternately" : "") << "\n";
    for (const auto& contender : contenders)
        out << std::left << std::setw(static_cast<int>(width)) << contender->name << std::right << "  "
            << std::setw(8) << fixedText(contender->timer.nanosecondsPerFrame(), 2) << " ns/frame  "
            << std::setw(9) << fixedText(contender->timer.realTimeFactor(), 1) << "x real time\n";
    if (contenders.size() == 2) {
        const double other = contenders[1]->timer.nanosecondsPerFrame();
        out << "Ratio: "
            << (other > 0.0 ? fixedText(contenders[0]->timer.nanosecondsPerFrame() / other, 3) : "n/a")
            << " (" << contenders[0]->name << " / " << contenders[1]->name << ")\n";
    }
}

} // namespace

int runBench(Arguments arguments, const std::string& defaultPlugin, std::ostream& out) {
    std::vector<std::string> paths{arguments.option("--plugin").value_or(defaultPlugin)};
    if (const auto other = arguments.option("--vs"))
        paths.push_back(*other);
    const double seconds = arguments.positiveOption("--seconds").value_or(kDefaultSeconds);
    arguments.positionals(0, 0);

    const DemoSignal demo(ProcessingTimer::kSampleRate);
    const auto names = displayNames(paths);
    std::vector<std::unique_ptr<Contender>> contenders;
    for (std::size_t i = 0; i < paths.size(); ++i)
        contenders.push_back(std::make_unique<Contender>(names[i], paths[i], demo.signal()));
    measureAlternately(contenders, seconds);
    report(contenders, seconds, out);
    return 0;
}

} // namespace host
