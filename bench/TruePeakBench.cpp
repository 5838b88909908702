// What the true-peak estimator costs per stereo frame: two channels of a second of noise, in blocks of
// 512, at 48 kHz (4 points per interval) and at 96 kHz (2 points, but all 4 computed: the vector loop
// costs the same). No target yet: the figure is what a true-peak ceiling will add to the signal path.
#include "dsp/TruePeakEstimator.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <vector>

namespace {

constexpr int kBlock = 512;
constexpr int kFramesPerIteration = 16 * kBlock;

void BM_TruePeakStereo(benchmark::State& state) {
    const auto rate = static_cast<double>(state.range(0));
    tmx1::TruePeakEstimator left(rate), right(rate);
    std::mt19937 random(48000);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    std::vector<float> inL(kFramesPerIteration), inR(kFramesPerIteration), peaks(kBlock);
    for (int i = 0; i < kFramesPerIteration; ++i) {
        inL[static_cast<std::size_t>(i)] = noise(random);
        inR[static_cast<std::size_t>(i)] = noise(random);
    }
    // Timed here too, as the processing benchmark does: ns per frame as a plain number.
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        for (int frame = 0; frame < kFramesPerIteration; frame += kBlock) {
            left.process(inL.data() + frame, peaks.data(), kBlock);
            benchmark::DoNotOptimize(peaks.data());
            right.process(inR.data() + frame, peaks.data(), kBlock);
            benchmark::DoNotOptimize(peaks.data());
        }
    const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
    const double frames = static_cast<double>(state.iterations()) * kFramesPerIteration;
    state.counters["ns_per_frame"] = frames > 0.0 ? elapsed.count() / frames : 0.0;
}
BENCHMARK(BM_TruePeakStereo)->ArgName("rate")->Arg(48000)->Arg(96000);

} // namespace

BENCHMARK_MAIN();
