#include "dsp/Compressor.h"

#include "dsp/Dither.h"
#include "platform/FloatingPoint.h"

#include <cmath>

namespace tmx1 {

MaskedFloatingPoint::MaskedFloatingPoint() { platform::maskFloatingPointExceptions(); }

Compressor::Compressor() {
    for (int i = 0; i < kNumParams; ++i)
        paramValue[static_cast<std::size_t>(i)].store(kParameters[static_cast<std::size_t>(i)].defaultValue,
                                                      std::memory_order_relaxed);
    dither::seedFromClock();
    suspend();
    // Some hosts process before their first resume: the rate constants must already be sane.
    computeRateConstants();
    audio.currentValue.fill(0.0f);
    for (auto& changed : paramChanged)
        changed.store(1, std::memory_order_release);
    audio.firstBlock = 1;
}

void Compressor::setParameter(int index, float value) {
    if (index < 0 || index >= kNumParams)
        return;
    paramValue[static_cast<std::size_t>(index)].store(clampedNormalised(value), std::memory_order_relaxed);
    paramChanged[static_cast<std::size_t>(index)].store(1, std::memory_order_release);
}

int Compressor::latency() const {
    const int lookahead = latencySamples.load(std::memory_order_relaxed);
    const bool truePeak =
        paramValue[kTruePeak].load(std::memory_order_relaxed) > 0.5f && truePeakFits(lookahead);
    return lookahead + (truePeak ? kTruePeakFrames : 0);
}

void Compressor::setSampleRate(float rate) {
    if (!std::isfinite(rate) || rate <= 0.0f)
        return; // a broken rate would poison every coefficient
    sampleRate.store(rate, std::memory_order_relaxed);
    rateChanged.store(1, std::memory_order_relaxed);
    for (auto& changed : paramChanged)
        changed.store(1, std::memory_order_release);
}

} // namespace tmx1
