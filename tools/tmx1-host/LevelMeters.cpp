#include "tools/tmx1-host/LevelMeters.h"

#include <algorithm>
#include <cmath>

namespace host {

void PeakMeter::add(const float* left, const float* right, int frames) {
    for (int i = 0; i < frames; ++i)
        highest = std::max(
            {highest, static_cast<double>(std::fabs(left[i])), static_cast<double>(std::fabs(right[i]))});
}

GainReductionMeter::GainReductionMeter(double sampleRate)
    : windowFrames(std::max(1, static_cast<int>(std::lround(sampleRate * kWindowSeconds)))) {}

void GainReductionMeter::addInput(const float* left, const float* right, int frames) {
    add(input, left, right, frames);
}

void GainReductionMeter::addOutput(const float* left, const float* right, int frames) {
    add(output, left, right, frames);
}

void GainReductionMeter::add(WindowPeaks& windows, const float* left, const float* right, int frames) const {
    for (int i = 0; i < frames; ++i) {
        windows.current = std::max({windows.current, std::fabs(left[i]), std::fabs(right[i])});
        if (++windows.framesInCurrent == windowFrames) {
            windows.completed.push_back(windows.current);
            windows.current = 0.0f;
            windows.framesInCurrent = 0;
        }
    }
}

std::optional<double> GainReductionMeter::largestReductionDb() const {
    const double floor = std::pow(10.0, kInputFloorDb / 20.0);
    // A silent output window counts as this much reduction rather than an infinite one.
    constexpr double kLowestGainDb = -200.0;
    const std::size_t windows = std::min(input.completed.size(), output.completed.size());
    std::optional<double> highest, lowest;
    for (std::size_t w = 0; w < windows; ++w) {
        const double in = input.completed[w];
        if (in < floor)
            continue;
        const double out = output.completed[w];
        const double gainDb =
            out > 0.0 ? std::max(20.0 * std::log10(out / in), kLowestGainDb) : kLowestGainDb;
        highest = std::max(highest.value_or(gainDb), gainDb);
        lowest = std::min(lowest.value_or(gainDb), gainDb);
    }
    if (!highest)
        return std::nullopt;
    return *highest - *lowest;
}

} // namespace host
