// The host's loudness figures against signals whose loudness and true peak are known.
#include "tools/tmx1-host/LoudnessMeter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

using host::Loudness;
using host::LoudnessMeter;

// `seconds` of a sine of `frequency` at `peakDbfs`, starting at `phase`, in both channels.
Loudness measureSine(double frequency, double peakDbfs, double seconds, double phase = 0.0) {
    constexpr int kRate = 48000;
    const auto frames = static_cast<int>(seconds * kRate);
    std::vector<float> sine(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i)
        sine[static_cast<std::size_t>(i)] =
            static_cast<float>(std::pow(10.0, peakDbfs / 20.0) *
                               std::sin(2.0 * std::numbers::pi * frequency * i / kRate + phase));
    LoudnessMeter meter(2, kRate, true);
    for (int at = 0; at < frames; at += 1000) // in blocks that do not line up with the 100 ms steps
        meter.add(sine.data() + at, sine.data() + at, std::min(1000, frames - at));
    EXPECT_EQ(meter.shortTermHistory().size(),
              static_cast<std::size_t>(frames / std::lround(kRate * LoudnessMeter::kStepSeconds)));
    return meter.loudness();
}

TEST(Loudness, AStereoSineAtMinus20DbfsReadsMinus20LufsSteadily) {
    // A 997 Hz sine in both channels reads its peak level in LUFS (EBU reference: -23 dBFS, -23 LUFS).
    const Loudness sine = measureSine(997.0, -20.0, 20.0);
    EXPECT_NEAR(sine.integratedLufs, -20.0, 0.1);
    EXPECT_NEAR(sine.highestShortTermLufs, -20.0, 0.1);
    EXPECT_NEAR(sine.rangeLu, 0.0, 0.1);
    EXPECT_NEAR(20.0 * std::log10(sine.truePeak), -20.0, 0.1);
}

TEST(Loudness, ASineNearAQuarterOfTheRateHasATruePeakAboveItsSamplePeak) {
    // Sampled 45 degrees off its crests, the samples reach only 0.707 of the peak between them.
    const Loudness quarter = measureSine(12000.0, -6.0, 1.0, std::numbers::pi / 4.0);
    const double samplePeakDb = -6.0 + 20.0 * std::log10(std::sqrt(0.5));
    EXPECT_GT(20.0 * std::log10(quarter.truePeak), samplePeakDb + 2.0);
    EXPECT_NEAR(20.0 * std::log10(quarter.truePeak), -6.0, 0.6);
}

TEST(Loudness, SilenceAndTooShortAFileMeasureMinusInfinityNotANumber) {
    for (const double seconds : {0.0, 0.3, 5.0}) {
        const Loudness silence = measureSine(997.0, -std::numeric_limits<double>::infinity(), seconds);
        EXPECT_EQ(silence.integratedLufs, -std::numeric_limits<double>::infinity()) << seconds;
        EXPECT_EQ(silence.rangeLu, 0.0) << seconds;
        EXPECT_EQ(silence.truePeak, 0.0) << seconds;
    }
    EXPECT_EQ(measureSine(997.0, -20.0, 0.3).integratedLufs, -std::numeric_limits<double>::infinity())
        << "shorter than one 400 ms block";
}

} // namespace
