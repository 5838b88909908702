#include "bench/LimitReport.h"

#include <cstdio>
#include <ostream>

namespace bench {

void LimitReport::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
        if (!run.error_occurred && run.run_type == Run::RT_Iteration)
            microseconds[run.benchmark_name()] =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e6;
}

void LimitReport::Finalize() {
    GetOutputStream() << "\n" << heading << ":\n";
    for (const TimeLimit& limit : limits) {
        const auto found = microseconds.find(limit.benchmark);
        if (found == microseconds.end())
            continue;
        char line[200];
        std::snprintf(line, sizeof line, "  %-40s at most %9.1f us   measured %10.2f us   %s\n",
                      limit.what.c_str(), limit.limitUs, found->second,
                      found->second <= limit.limitUs ? "met" : "NOT MET");
        GetOutputStream() << line;
    }
    ConsoleReporter::Finalize();
}

} // namespace bench
