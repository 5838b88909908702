// Metering taps for the editor: input, gain-reduction and output levels with a 200 ms decay, and
// the over-compression indicator, latched until the editor has shown it.
#include "dsp/BlockState.h"

#include <algorithm>

namespace tmx1 {

namespace {

using D = double;

// Peak follower: jumps up, decays towards lower values.
inline float peak(float x, float v, float coef) { return x > v ? x : static_cast<float>(v + (D(x) - v) * coef); }

// Minimum follower: jumps down, recovers towards higher values.
inline float floorFollow(float g, float v, float coef) { return g < v ? g : static_cast<float>(v + (D(g) - v) * coef); }

} // namespace

void APlugin::resetMeters() {
    for (int k : {kMeterInL, kMeterInR, kMeterOutL, kMeterOutR})
        meters[static_cast<std::size_t>(k)].store(0.0f, std::memory_order_relaxed);
    meters[kMeterCpL].store(1.0f, std::memory_order_relaxed);
    meters[kMeterCpR].store(1.0f, std::memory_order_relaxed);
    meanSqL = meanSqR = peakSqL = peakSqR = 0.0f;
    meterCount = 0;
    ocLatched.store(0, std::memory_order_relaxed);
    ocAckRequest.store(0, std::memory_order_relaxed);
}

void meterStep(BlockState& s, float ldL, float ldR, float gL, float gR, float makeUp, float outputGain) {
    auto& v = s.meters;
    const float coef = s.meterCoef;
    v[kMeterInL] = peak(ldL, v[kMeterInL], coef);
    v[kMeterInR] = peak(ldR, v[kMeterInR], coef);
    v[kMeterCpL] = floorFollow(gL, v[kMeterCpL], coef);
    v[kMeterCpR] = floorFollow(gR, v[kMeterCpR], coef);

    const auto oL = static_cast<float>(D(ldL) * gL);
    const auto oR = static_cast<float>(D(ldR) * gR);
    v[kMeterOutL] = peak(static_cast<float>(D(oL) * makeUp * outputGain), v[kMeterOutL], coef);
    v[kMeterOutR] = peak(static_cast<float>(D(oR) * makeUp * outputGain), v[kMeterOutR], coef);

    // running mean square of the input over the meter period
    const D n = s.meterCount;
    s.meterCount += 1;
    s.meanSqL = static_cast<float>((D(ldL) * ldL + static_cast<float>(D(s.meanSqL) * n)) / s.meterCount);
    s.meanSqR = static_cast<float>((D(ldR) * ldR + static_cast<float>(D(s.meanSqR) * n)) / s.meterCount);
    s.peakSqL = std::max(s.peakSqL, static_cast<float>(D(oL) * oL));
    s.peakSqR = std::max(s.peakSqR, static_cast<float>(D(oR) * oR));

    if (s.meterCount != s.meterPeriod)
        return;
    // End of a period: over-compressed when the compressed peak fell below the input's RMS level.
    s.meterCount = 0;
    if (s.meanSqL > s.peakSqL || s.meanSqR > s.peakSqR)
        s.ocLatched->store(1, std::memory_order_relaxed);
    else if (s.ocAckRequest->load(std::memory_order_relaxed) != 0) {
        s.ocAckRequest->store(0, std::memory_order_relaxed);
        s.ocLatched->store(0, std::memory_order_relaxed);
    }
    s.peakSqL = s.peakSqR = 0.0f;
}

} // namespace tmx1
