// Metering taps: their reset. The per-sample step is in dsp/MeterStep.h, inlined into the signal path.
#include "dsp/Compressor.h"

namespace tmx1 {

void Compressor::resetMeters() {
    for (int k : {kMeterInL, kMeterInR, kMeterOutL, kMeterOutR})
        meters[static_cast<std::size_t>(k)].store(0.0f, std::memory_order_relaxed);
    meters[kMeterCpL].store(1.0f, std::memory_order_relaxed);
    meters[kMeterCpR].store(1.0f, std::memory_order_relaxed);
    audio.meanSqL = audio.meanSqR = audio.peakSqL = audio.peakSqR = 0.0f;
    audio.meterCount = 0;
    ocLatched.store(0, std::memory_order_relaxed);
    ocAckRequest.store(0, std::memory_order_relaxed);
}

} // namespace tmx1
