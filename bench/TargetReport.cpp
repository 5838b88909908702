#include "bench/TargetReport.h"

#include <algorithm>
#include <iomanip>
#include <sstream>

namespace bench {

namespace {

std::string nanoseconds(double value) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << value << " ns";
    return text.str();
}

} // namespace

std::string runName(const std::string& family, int block) {
    return family + "/block:" + std::to_string(block);
}

TargetReport::TargetReport(std::vector<std::string> programs, int targetBlock)
    : ConsoleReporter(OO_Tabular), programs(std::move(programs)), targetBlock(targetBlock) {}

void TargetReport::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs) {
        const auto counter = run.counters.find("ns_per_frame");
        if (run.error_occurred || counter == run.counters.end())
            continue;
        // With --benchmark_report_aggregates_only only the aggregates arrive.
        if (run.run_type == Run::RT_Iteration)
            nsPerFrame[run.run_name.str()].push_back(counter->second.value);
        else if (run.aggregate_name == "median")
            reportedMedian[run.run_name.str()] = counter->second.value;
    }
}

double TargetReport::cost(const std::string& family) const {
    const std::string name = runName(family, targetBlock);
    if (const auto median = reportedMedian.find(name); median != reportedMedian.end())
        return median->second;
    const auto found = nsPerFrame.find(name);
    if (found == nsPerFrame.end())
        return -1.0;
    std::vector<double> costs = found->second;
    const auto middle = costs.begin() + static_cast<std::ptrdiff_t>(costs.size() / 2);
    std::nth_element(costs.begin(), middle, costs.end());
    return *middle;
}

void TargetReport::judge(const std::string& target, const std::string& measured, bool met) {
    GetOutputStream() << "  " << std::left << std::setw(52) << target << std::setw(40) << measured
                      << (met ? "met" : "NOT MET") << std::right << "\n";
}

void TargetReport::Finalize() {
    GetOutputStream() << "\nAt blocks of " << targetBlock << " frames (ns per stereo frame):\n";
    judgeSilence();
    GetOutputStream() << "  the cost targets against the reference limiter and earlier builds: tmx1_compare_bench\n";
}

void TargetReport::judgeSilence() {
    const double music = cost("Program/" + programs.front()), silence = cost("Silence");
    if (music < 0.0 || silence < 0.0)
        return;
    judge("digital silence no dearer than music",
          "silence " + nanoseconds(silence) + ", music " + nanoseconds(music), silence <= music);
}

} // namespace bench
