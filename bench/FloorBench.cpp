// The floor of the processing cost, per factory program: the loop-carried recurrence alone (the
// program's release cascade, the program-dependent release and the next sample's coefficients,
// exactly the code the signal path runs) over the static gains of the demo signal, against the full
// processReplacing of the same program on the same signal in blocks of 512 with metering on. No
// restructuring of the rest of the path can beat the floor without changing the arithmetic; the
// ratio says how much of the full cost is not on that chain.
#include "dsp/ReleaseRecurrence.h"
#include "dsp/APluginProgram.h"
#include "tests/dsp/APluginProbe.h"
#include "tools/tmx1-host/DemoSignal.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr float kSampleRate = 44100.0f;
constexpr int kBlock = 512;

const host::StereoSignal& music() {
    static const host::DemoSignal demo(static_cast<int>(kSampleRate));
    return demo.signal();
}

// An effect on the given program, its parameter changes taken.
struct ProgramRig {
    explicit ProgramRig(int program) : rig(kSampleRate, program) { rig.idle(kBlock); }
    dsp_testing::Rig rig;
};

// The static gains the recurrence starts from, one per frame: the linked level of the music through
// the program's curve (every factory program links the channels).
std::vector<float> staticGains(const ProgramRig& program) {
    const host::StereoSignal& signal = music();
    std::vector<float> gains(signal.frames());
    for (std::size_t i = 0; i < gains.size(); ++i) {
        const float level = static_cast<float>(
            std::max(std::fabs(double(signal.left[i])), std::fabs(double(signal.right[i]))) + 1e-20);
        gains[i] = program.rig.probe.staticGain(level);
    }
    return gains;
}

double nanoseconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
}

// The recurrence of one release type over the gains, from the program's state; answers ns per frame.
template <int type>
void runFloor(benchmark::State& state, const tmx1::BlockState& s, const std::vector<float>& gains) {
    const tmx1::ReleaseSettings settings = tmx1::ReleaseSettings::of(s);
    tmx1::ReleaseState release = tmx1::ReleaseState::of(s.left);
    float sink = 0.0f;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (const float staticGain : gains)
            sink = tmx1::releaseStep<type>(release, staticGain, settings);
        benchmark::DoNotOptimize(sink);
    }
    const double frames = static_cast<double>(state.iterations()) * static_cast<double>(gains.size());
    state.counters["ns_per_frame"] = nanoseconds(start) / frames;
}

void BM_Floor(benchmark::State& state) {
    const ProgramRig program(static_cast<int>(state.range(0)));
    const std::vector<float> gains = staticGains(program);
    const tmx1::BlockState s = program.rig.probe.blockState();
    switch (s.releaseType) {
    case tmx1::kOpto:
        return runFloor<tmx1::kOpto>(state, s, gains);
    case tmx1::kPumper:
        return runFloor<tmx1::kPumper>(state, s, gains);
    case tmx1::kSmooth2:
        return runFloor<tmx1::kSmooth2>(state, s, gains);
    case tmx1::kSmooth1:
        return runFloor<tmx1::kSmooth1>(state, s, gains);
    default:
        return runFloor<tmx1::kClassic>(state, s, gains);
    }
}

void BM_Full(benchmark::State& state) {
    ProgramRig program(static_cast<int>(state.range(0)));
    const host::StereoSignal& signal = music();
    dsp_testing::Stereo input(signal.frames()), output(signal.frames());
    input.left = signal.left;
    input.right = signal.right;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (std::size_t at = 0; at + kBlock <= input.size(); at += kBlock) {
            float* in[2] = {input.left.data() + at, input.right.data() + at};
            float* out[2] = {output.left.data() + at, output.right.data() + at};
            program.rig.plugin.processReplacing(in, out, kBlock);
        }
        benchmark::DoNotOptimize(output.left.data());
    }
    const double frames = static_cast<double>(state.iterations()) * static_cast<double>(input.size() / kBlock * kBlock);
    state.counters["ns_per_frame"] = nanoseconds(start) / frames;
}

// The table, then each program's floor beside its full cost.
class FloorReport : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto counter = run.counters.find("ns_per_frame");
            if (!run.error_occurred && counter != run.counters.end())
                costs[run.benchmark_name()] = counter->second.value;
        }
    }
    void Finalize() override {
        GetOutputStream() << "\nFloor (the loop-carried recurrence) against the full cost, ns per frame:\n";
        for (int program = 0; program < tmx1::kNumPrograms; ++program) {
            const auto floor = costs.find("BM_Floor/" + std::to_string(program));
            const auto full = costs.find("BM_Full/" + std::to_string(program));
            if (floor == costs.end() || full == costs.end())
                continue;
            char line[160];
            std::snprintf(line, sizeof line, "  %-22s floor %6.2f   full %6.2f   full / floor %5.2f\n",
                          tmx1::kFactoryPrograms[static_cast<std::size_t>(program)].name, floor->second,
                          full->second, full->second / floor->second);
            GetOutputStream() << line;
        }
        ConsoleReporter::Finalize();
    }

  private:
    std::map<std::string, double> costs;
};

} // namespace

BENCHMARK(BM_Floor)->DenseRange(0, tmx1::kNumPrograms - 1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Full)->DenseRange(0, tmx1::kNumPrograms - 1)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    FloorReport report;
    benchmark::RunSpecifiedBenchmarks(&report);
    benchmark::Shutdown();
    return 0;
}
