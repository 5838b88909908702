// Control mapping: parameter values to the values and coefficients the signal path reads, with a
// 100 ms linear ramp after every change, and everything that depends on the sample rate.
#include "dsp/Coefficients.h"
#include "dsp/StaticCurve.h"
#include "dsp/Compressor.h"

#include <algorithm>
#include <limits>

namespace tmx1 {

namespace {

struct PreStageTimes {
    float slow;
    float fast;
};

// Pre-stage time constants by release type; types without pre-stages keep whatever was set.
constexpr std::array<PreStageTimes, kNumReleaseTypes> kPreStageTimes{{
    {0.0091f, 0.00091f}, // Opto
    {0.0f, 0.0f},        // Pumper: no pre-stages
    {0.0037f, 0.00037f}, // Smooth 2
    {0.0091f, 0.00091f}, // Smooth 1
    {0.0f, 0.0f},        // Classic: no pre-stages
}};

constexpr double kPumperReleaseScale = 0.154;

float mappedValue(int index, float value) {
    const ParameterInfo& p = kParameters[static_cast<std::size_t>(index)];
    return mapByLaw(p.controlLaw, value, p.controlMin, p.controlMax);
}

} // namespace

void Compressor::applyParameterChanges() {
    for (int i = 0; i < kNumParams; ++i)
        if (paramChanged[static_cast<std::size_t>(i)].load(std::memory_order_relaxed) != 0)
            takeParameterChange(i);
    if (audio.firstBlock != 0) {
        // The release coefficient depends on the release type, whose index comes later in the pass:
        // the first block takes it again with the type just set, so that its first sample already
        // has the right one. Left for the next block, it would restart there, in the middle of the
        // audio, at a frame that depends on the host's block size.
        if (paramChanged[kRelease].load(std::memory_order_relaxed) != 0)
            takeParameterChange(kRelease);
        audio.firstBlock = 0;
        audio.rampRemaining = 0;
        audio.rampCount.fill(0);
        audio.currentValue = audio.targetValue;
    }
    if (audio.curveDirty != 0 && audio.rampRemaining == 0) {
        audio.curveDirty = 0;
        rebuildGainCurve();
    }
}

void Compressor::takeParameterChange(int index) {
    const auto i = static_cast<std::size_t>(index);
    // Clearing first: a change that lands after this point raises the flag again for the next
    // block instead of being lost.
    paramChanged[i].exchange(0, std::memory_order_acq_rel);
    const float previous = audio.targetValue[i];
    audio.targetValue[i] = mappedValue(index, paramValue[i].load(std::memory_order_relaxed));
    applyParameterWork(index, previous);
    startRamp(index);
}

void Compressor::applyParameterWork(int index, float previous) {
    const double fs = sampleRate.load(std::memory_order_relaxed);
    // A host playing an automation lane sends the value again before every block. The states that a
    // switch or a new release type starts afresh are started only when the switch or the type really
    // changes (and for the first block): sent again, an unchanged "on" or the same type would reset
    // the release stages, the PDE envelopes or the brick-wall gains at every block, and the gain
    // would jump with it.
    const float now = audio.targetValue[static_cast<std::size_t>(index)];
    const bool first = audio.firstBlock != 0;
    const bool switched = first || (previous > 0.5f) != (now > 0.5f); // a switch is on above the middle
    switch (index) {
    case kThreshold:
    case kKnee:
        audio.curveDirty = 1;
        break;
    case kRelease: {
        float seconds = audio.targetValue[kRelease];
        if (static_cast<int>(nearestEven(audio.targetValue[kReleaseType])) == kPumper)
            seconds = static_cast<float>(kPumperReleaseScale * seconds);
        audio.targetValue[kRelease] = retentionCoef(seconds, fs);
        audio.channelL.releaseCoef = audio.channelR.releaseCoef = audio.targetValue[kRelease];
        break;
    }
    case kPde:
        if (switched)
            audio.channelL.pdeEnv = audio.channelR.pdeEnv = 1.0f;
        break;
    case kReleaseType: {
        const int type = static_cast<int>(nearestEven(now));
        const bool newType = first || type != static_cast<int>(nearestEven(previous));
        if (newType) {
            // The release coefficient depends on the type: recompute it at the next block start
            // (its index has already been passed in this block).
            paramChanged[kRelease].store(1, std::memory_order_relaxed);
            audio.releaseType = type;
            audio.channelL.stage.fill(1.0f);
            audio.channelR.stage.fill(1.0f);
        }
        if (!hasPreStages(type))
            break;
        // The same type again starts nothing afresh, but its coefficients follow the rate: a new
        // sample rate marks every parameter changed for just this.
        const PreStageTimes& times = kPreStageTimes[static_cast<std::size_t>(type)];
        audio.preTime = times.slow;
        audio.preTimeFast = times.fast;
        audio.preCoef = retentionCoef(audio.preTime, fs);
        audio.preCoefFast = retentionCoef(audio.preTimeFast, fs);
        if (newType)
            audio.channelL.preCoef = audio.channelR.preCoef = audio.preCoef;
        break;
    }
    case kBrickWall:
        if (switched)
            audio.channelL.brick = audio.channelR.brick = 1.0f;
        break;
    case kTruePeak:
        if (switched) {
            audio.truePeakOn = now > 0.5f ? 1 : 0;
            if (audio.truePeakOn != 0)
                estimatePeakLines();
        }
        break;
    default: // Gain, Auto-Gain and Stereo Link are read directly
        break;
    }
}

// The estimates the peak lines would hold had True Peak been on all along, made from the delay lines
// when it is switched on; the oldest few, whose samples before are gone, as if those were silent.
void Compressor::estimatePeakLines() {
    constexpr int kHistory = TruePeakEstimator::historyFrames();
    const auto oldest = static_cast<std::uint8_t>(audio.delayWrite + 1);
    for (auto [line, peaks] : {std::pair{&audio.delayL, &audio.peakLineL}, std::pair{&audio.delayR, &audio.peakLineR}}) {
        std::array<float, kHistory + kDelayLength> run{}; // oldest first, after silence
        for (int m = 0; m < kDelayLength; ++m)
            run[static_cast<std::size_t>(kHistory + m)] = (*line)[static_cast<std::uint8_t>(oldest + m)];
        std::array<float, kDelayLength> estimates{};
        audio.truePeak.peaksAround(run.data() + kHistory, estimates.data(), kDelayLength);
        for (int m = 0; m < kDelayLength; ++m)
            (*peaks)[static_cast<std::uint8_t>(oldest + m)] = estimates[static_cast<std::size_t>(m)] * kTruePeakMargin;
    }
}

void Compressor::startRamp(int index) {
    const auto i = static_cast<std::size_t>(index);
    audio.rampCount[i] = audio.rampLength;
    audio.rampRemaining = audio.rampLength;
    audio.rampStep[i] = static_cast<float>(
        (static_cast<double>(audio.targetValue[i]) - audio.currentValue[i]) / audio.rampLength);
}

void Compressor::rebuildGainCurve() {
    for (std::size_t j = 0; j < audio.gainCurve.size(); ++j)
        audio.gainCurve[j] = curveGain(static_cast<float>(static_cast<double>(j) * 0.001),
                                       audio.currentValue[kThreshold], audio.currentValue[kKnee]);
}

void Compressor::resume() {
    if (rateChanged.exchange(0, std::memory_order_relaxed) == 0)
        return;
    computeRateConstants();
}

void Compressor::computeRateConstants() {
    const double fs = sampleRate.load(std::memory_order_relaxed);
    // The ramp counters are 16 bits and the delay line holds 256 samples: very high rates clamp.
    audio.rampLength = static_cast<std::uint16_t>(std::clamp(nearestEven(0.1 * fs), 1.0, 65535.0));
    audio.fastReleaseCoef = retentionCoef(0.002, fs);
    audio.pdeCoef = smoothingCoef(0.1, fs);
    // A host may give any positive rate (LV2 cannot refuse one): the period stays a count that fits.
    audio.meterPeriod = static_cast<std::int32_t>(
        std::clamp(nearestEven(0.1 * fs), 1.0, static_cast<double>(std::numeric_limits<std::int32_t>::max())));
    audio.smoothCoef = smoothingCoef(0.0001, fs);
    audio.optoCoef = retentionCoef(0.045, fs);
    audio.lookahead = static_cast<std::uint16_t>(std::min(nearestEven(0.0005 * fs), 255.0));
    audio.brickCoef = retentionCoef(0.001, fs);
    audio.truePeak.setSampleRate(fs);
    audio.meterCoef = static_cast<float>(1.0 - std::exp(-1.0 / (0.2 * fs)));
    // The host compensates what we report; report the delay we really have.
    latencySamples.store(audio.lookahead, std::memory_order_relaxed);
}

void Compressor::suspend() {
    resetMeters();
    for (ChannelState* channel : {&audio.channelL, &audio.channelR})
        channel->smooth.fill(1.0f);
    audio.delayL.fill(0.0f);
    audio.delayR.fill(0.0f);
    audio.peakLineL.fill(0.0f);
    audio.peakLineR.fill(0.0f);
    audio.delayWrite = 0;
}

} // namespace tmx1
