// What the true-peak estimator costs per stereo frame, as the signal path runs it: the estimates around
// two channels of noise, in chunks of 64 read from a run that holds the samples before them, at 48 kHz
// (4 points per interval) and at 96 kHz (2 points).
#include "dsp/TruePeakEstimator.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <vector>

namespace {

constexpr int kBlock = 64;
constexpr int kFramesPerIteration = 16 * kBlock;

void BM_TruePeakStereo(benchmark::State& state) {
    const auto rate = static_cast<double>(state.range(0));
    tmx1::TruePeakEstimator left(rate), right(rate);
    std::mt19937 random(48000);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    constexpr int kBefore = tmx1::TruePeakEstimator::historyFrames();
    std::vector<float> inL(kBefore + kFramesPerIteration), inR(kBefore + kFramesPerIteration), peaks(kBlock);
    for (std::size_t i = 0; i < inL.size(); ++i) {
        inL[i] = noise(random);
        inR[i] = noise(random);
    }
    // Timed here too, as the processing benchmark does: ns per frame as a plain number.
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        for (int frame = kBefore; frame < kBefore + kFramesPerIteration; frame += kBlock) {
            left.peaksAround(inL.data() + frame, peaks.data(), kBlock);
            benchmark::DoNotOptimize(peaks.data());
            right.peaksAround(inR.data() + frame, peaks.data(), kBlock);
            benchmark::DoNotOptimize(peaks.data());
        }
    const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
    const double frames = static_cast<double>(state.iterations()) * kFramesPerIteration;
    state.counters["ns_per_frame"] = frames > 0.0 ? elapsed.count() / frames : 0.0;
}
BENCHMARK(BM_TruePeakStereo)->ArgName("rate")->Arg(48000)->Arg(96000);

} // namespace

BENCHMARK_MAIN();
