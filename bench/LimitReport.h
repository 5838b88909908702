// The console table of Google Benchmark, followed by a verdict for each timed target: the mean real
// time per iteration of a named benchmark against its limit. Targets are read, never asserted.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace bench {

struct TimeLimit {
    std::string benchmark; // the benchmark's name as registered
    std::string what;      // what one iteration is, for people
    double limitUs;
};

class LimitReport : public benchmark::ConsoleReporter {
  public:
    LimitReport(std::string heading, std::vector<TimeLimit> limits)
        : heading(std::move(heading)), limits(std::move(limits)) {}

    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

  private:
    std::string heading;
    std::vector<TimeLimit> limits;
    std::map<std::string, double> microseconds;
};

} // namespace bench
