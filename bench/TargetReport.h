// The console table of Google Benchmark, followed by what its ns_per_frame counters can judge alone
// (silence against music); the cost targets need other plug-ins in the same run (tmx1_compare_bench).
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace bench {

class TargetReport : public benchmark::ConsoleReporter {
  public:
    // `programs` are the factory program names, the default one first; the targets are judged at
    // `targetBlock` frames per block.
    TargetReport(std::vector<std::string> programs, int targetBlock);

    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

  private:
    // ns per frame of the named run at the target block size (the median of its repetitions);
    // negative when it was not run.
    double cost(const std::string& family) const;
    void judge(const std::string& target, const std::string& measured, bool met);
    void judgeSilence();

    std::vector<std::string> programs;
    int targetBlock;
    std::map<std::string, std::vector<double>> nsPerFrame;
    std::map<std::string, double> reportedMedian;
};

// The benchmark's name for a case family at a block size, as the report looks it up.
std::string runName(const std::string& family, int block);

} // namespace bench
