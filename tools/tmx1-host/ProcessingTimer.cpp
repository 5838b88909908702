#include "tools/tmx1-host/ProcessingTimer.h"

#include "tools/tmx1-host/EffectSetup.h"

#include <algorithm>
#include <chrono>

namespace host {

ProcessingTimer::ProcessingTimer(const std::string& pluginPath, const StereoSignal& signal)
    : ProcessingTimer(pluginPath, signal, [](HostedEffect&) {}) {}

ProcessingTimer::ProcessingTimer(const std::string& pluginPath, const StereoSignal& signal,
                                 const std::function<void(HostedEffect&)>& setUp)
    : signal(signal), effect(openEffect(host, pluginPath)), outLeft(kBlockFrames), outRight(kBlockFrames) {
    if (signal.frames() < static_cast<std::size_t>(kBlockFrames))
        throw HostError("the benchmark signal is shorter than one block");
    setUp(*effect);
    active = std::make_unique<ActiveEffect>(*effect, static_cast<float>(kSampleRate), kBlockFrames);
}

void ProcessingTimer::warmUp() { processRound(); }

void ProcessingTimer::timeRound() {
    const auto start = std::chrono::steady_clock::now();
    processRound();
    const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
    roundCosts.push_back(elapsed.count() / (kBlocksPerRound * kBlockFrames));
}

void ProcessingTimer::processRound() {
    for (int b = 0; b < kBlocksPerRound; ++b) {
        // Whole blocks only, wrapping round to the start of the signal.
        if (position + kBlockFrames > signal.frames())
            position = 0;
        if (beforeBlock)
            beforeBlock(*effect, blocks);
        ++blocks;
        active->process(signal.left.data() + position, signal.right.data() + position, outLeft.data(),
                        outRight.data(), kBlockFrames);
        position += kBlockFrames;
    }
}

double ProcessingTimer::nanosecondsPerFrame() const {
    if (roundCosts.empty())
        return 0.0;
    std::vector<double> sorted = roundCosts;
    const auto middle = sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2);
    std::nth_element(sorted.begin(), middle, sorted.end());
    return *middle;
}

double ProcessingTimer::realTimeFactor() const {
    const double cost = nanosecondsPerFrame();
    return cost > 0.0 ? 1e9 / (cost * kSampleRate) : 0.0;
}

} // namespace host
