// The true-peak estimator against signals made of sines, whose band-limited waveform is known between
// the samples: the reference is the waveform itself, evaluated 16 times per sample interval. Signals
// with content up to half the rate (hard-clipped, naive square waves, white noise) are measured against
// a far longer and sharper interpolator than the estimator's.
#include "dsp/TruePeakEstimator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

using tmx1::TruePeakEstimator;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kReferencePoints = 16;
const std::vector<double> kRates{44100.0, 48000.0, 96000.0, 192000.0};
// The filter's stated error at any interpolated point, per unit of amplitude.
constexpr double kPointError = 0.002;

struct Partial {
    double frequency = 0.0; // Hz
    double amplitude = 0.0;
    double phase = 0.0; // radians at time 0
};

// A sum of sines, sampled or evaluated anywhere between the samples.
struct Waveform {
    std::vector<Partial> partials;
    double rate = 48000.0;

    double at(double frame) const {
        double v = 0.0;
        for (const Partial& p : partials)
            v += p.amplitude * std::sin(2.0 * kPi * p.frequency * frame / rate + p.phase);
        return v;
    }
    double amplitudeSum() const {
        double sum = 0.0;
        for (const Partial& p : partials)
            sum += p.amplitude;
        return sum;
    }
    double highestFrequency() const {
        double f = 0.0;
        for (const Partial& p : partials)
            f = std::max(f, p.frequency);
        return f;
    }
};

// Frames enough for the estimator to fill its history and see many periods.
constexpr int kFrames = 4000;
constexpr int kSettled = 2 * TruePeakEstimator::kTapsPerPhase;

// The estimates for frames kSettled .. kFrames - 1, each aligned with the frame it is for.
std::vector<double> estimatesOf(const Waveform& w) {
    TruePeakEstimator estimator(w.rate);
    const int latency = TruePeakEstimator::latencyFrames();
    std::vector<double> aligned;
    for (int n = 0; n < kFrames + latency; ++n) {
        const float peak = estimator.process(static_cast<float>(w.at(n)));
        if (n - latency >= kSettled)
            aligned.push_back(peak);
    }
    return aligned;
}

// The highest magnitude of the waveform over the interval each frame closes, 16 points to it.
std::vector<double> referenceOf(const Waveform& w) {
    std::vector<double> peaks;
    for (int p = kSettled; p < kFrames; ++p) {
        double peak = 0.0;
        for (int k = 1; k <= kReferencePoints; ++k)
            peak = std::max(peak, std::fabs(w.at(p - 1 + static_cast<double>(k) / kReferencePoints)));
        peaks.push_back(peak);
    }
    return peaks;
}

double maxOf(const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); }

// The most the grid of points can miss a sine's peak by, as a factor, with the filter's error.
double lowestFactor(double frequency, double rate) {
    const int points = TruePeakEstimator::oversamplingFor(rate);
    return std::cos(kPi * frequency / (points * rate)) - kPointError;
}

// Every interval's estimate stays within the filter's error above the reference (the estimator's
// points are among the reference's), and the highest estimate is no lower than the grid allows.
void expectWithinBounds(const Waveform& w) {
    const std::vector<double> estimate = estimatesOf(w);
    const std::vector<double> reference = referenceOf(w);
    const double overTolerance = kPointError * w.amplitudeSum() + 1e-6;
    for (std::size_t i = 0; i < estimate.size(); ++i)
        ASSERT_LE(estimate[i], reference[i] + overTolerance) << "over-read at frame " << i + kSettled;
    EXPECT_GE(maxOf(estimate), maxOf(reference) * lowestFactor(w.highestFrequency(), w.rate))
        << "under-read at " << w.rate << " Hz";
}

Waveform sine(double rate, double frequency, double phase) { return {{{frequency, 1.0, phase}}, rate}; }

TEST(TruePeakOfASine, AtAQuarterOfTheRateAndTheWorstPhaseTheEstimateFindsThePeakTheSamplesMiss) {
    for (const double rate : kRates) {
        // 45 degrees: every sample at +-0.707 (3 dB down), each peak on the point a quarter of the
        // way between two of them (half the way at 2 times).
        EXPECT_NEAR(maxOf(estimatesOf(sine(rate, rate / 4.0, kPi / 4.0))), 1.0, kPointError) << rate;
    }
}

TEST(TruePeakOfASine, BetweenTwoPointsTheEstimateMissesThePeakByNoMoreThanTheGridAllows) {
    for (const double rate : kRates) {
        // The peak half a point's spacing from the nearest point, every period alike.
        const double halfPoint = kPi / (4.0 * TruePeakEstimator::oversamplingFor(rate));
        const double peak = maxOf(estimatesOf(sine(rate, rate / 4.0, kPi / 4.0 + halfPoint)));
        EXPECT_NEAR(peak, std::cos(halfPoint), kPointError) << rate;
    }
}

TEST(TruePeakOfASine, UpTo045OfTheRateAtAnyPhaseItStaysWithinTheStatedBounds) {
    for (const double rate : kRates)
        for (const double fraction : {0.01, 0.1, 0.25, 0.37, 0.4, 0.43, 0.45})
            for (int step = 0; step < 8; ++step)
                expectWithinBounds(sine(rate, fraction * rate, kPi * step / 8.0));
}

TEST(TruePeakOfRicherSignals, BandLimitedSquareWavesOvershootTheirSamplesAndTheEstimateFollows) {
    for (const double rate : kRates)
        for (const double fundamental : {997.0, 3001.0, 5513.0}) {
            Waveform square{{}, rate};
            for (int n = 1; n * fundamental < 0.45 * rate; n += 2)
                square.partials.push_back({n * fundamental, 0.5 * 4.0 / (kPi * n), 0.0});
            expectWithinBounds(square);
        }
}

TEST(TruePeakOfRicherSignals, NoiseOfManyRandomPartialsStaysWithinTheStatedBounds) {
    std::mt19937 random(1770);
    for (const double rate : kRates)
        for (int trial = 0; trial < 3; ++trial) {
            std::uniform_real_distribution<double> frequency(20.0, std::min(0.45 * rate, 20000.0));
            std::uniform_real_distribution<double> phase(0.0, 2.0 * kPi);
            Waveform noise{{}, rate};
            for (int n = 0; n < 24; ++n)
                noise.partials.push_back({frequency(random), 1.0 / 24, phase(random)});
            expectWithinBounds(noise);
        }
}

// A windowed sinc 512 samples long (4-term Blackman-Harris window): flat to within 0.01 of half the
// rate, where the estimator's filter has to give way; evaluated 16 times per sample interval.
class LongInterpolator {
  public:
    static constexpr int kHalf = 256;

    LongInterpolator() {
        for (int k = 1; k <= kReferencePoints; ++k)
            for (int j = 0; j < 2 * kHalf; ++j) {
                const double t = kHalf - 1 + static_cast<double>(k) / kReferencePoints - j;
                const double x = 2.0 * kPi * (t + kHalf) / (2.0 * kHalf);
                const double window =
                    0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
                kernel[static_cast<std::size_t>(k - 1)][static_cast<std::size_t>(j)] =
                    window * std::sin(kPi * t) / (kPi * t + (t == 0.0)) + (t == 0.0);
            }
    }

    // The highest magnitude over the interval sample p closes (p at least kHalf from either end).
    double intervalPeak(const std::vector<float>& x, int p) const {
        double peak = 0.0;
        for (const auto& taps : kernel) {
            double v = 0.0;
            for (int j = 0; j < 2 * kHalf; ++j)
                v += x[static_cast<std::size_t>(p - kHalf + j)] * taps[static_cast<std::size_t>(j)];
            peak = std::max(peak, std::fabs(v));
        }
        return peak;
    }

  private:
    std::array<std::array<double, 2 * kHalf>, kReferencePoints> kernel{};
};

TEST(TruePeakOfFullBandSignals, NeverBelowTheSampleAtMost01DbOverAndNoMoreUnderThanTheGridAllows) {
    const LongInterpolator reference;
    std::mt19937 random(4);
    std::uniform_real_distribution<float> white(-0.5f, 0.5f);
    constexpr int frames = 1600;
    for (const double rate : {48000.0, 96000.0})
        for (int kind = 0; kind < 4; ++kind) {
            std::vector<float> x(frames);
            for (int n = 0; n < frames; ++n) {
                const float clipped = std::clamp(1.5f * static_cast<float>(std::sin(0.44 * n)), -1.0f, 1.0f);
                const std::array<float, 4> kinds{n % 11 < 6 ? 0.9f : -0.9f, n % 100 < 50 ? 0.9f : -0.9f,
                                                 white(random), clipped};
                x[static_cast<std::size_t>(n)] = kinds[static_cast<std::size_t>(kind)];
            }
            TruePeakEstimator estimator(rate);
            std::vector<float> estimate(x);
            estimate.resize(frames + TruePeakEstimator::latencyFrames(), 0.0f);
            estimator.process(estimate.data(), estimate.data(), static_cast<int>(estimate.size()));
            double highest = 0.0, highestReference = 0.0;
            for (int p = LongInterpolator::kHalf; p < frames - LongInterpolator::kHalf; ++p) {
                const float interval =
                    estimate[static_cast<std::size_t>(p + TruePeakEstimator::latencyFrames())];
                ASSERT_GE(interval, std::fabs(x[static_cast<std::size_t>(p)])) << "below the sample at " << p;
                highest = std::max<double>(highest, interval);
                highestReference = std::max(highestReference, reference.intervalPeak(x, p));
            }
            EXPECT_LE(highest, highestReference * std::pow(10.0, 0.1 / 20)) << rate << " Hz, signal " << kind;
            EXPECT_GE(highest, highestReference * lowestFactor(0.5 * rate, rate))
                << rate << " Hz, signal " << kind;
        }
}

TEST(TruePeakTiming, AnImpulseIsEstimatedAtItsFullHeightLatencyFramesLate) {
    for (const double rate : kRates) {
        TruePeakEstimator estimator(rate);
        std::vector<float> signal(64, 0.0f);
        signal[0] = 1.0f;
        estimator.process(signal.data(), signal.data(), static_cast<int>(signal.size()));
        const auto highest = std::max_element(signal.begin(), signal.end());
        EXPECT_EQ(highest - signal.begin(), TruePeakEstimator::latencyFrames()) << rate;
        EXPECT_EQ(*highest, 1.0f) << rate;
    }
}

TEST(TruePeakTiming, ResetForgetsThePastAsAFreshEstimatorWould) {
    TruePeakEstimator used(48000.0), fresh(48000.0);
    for (int n = 0; n < 100; ++n)
        used.process(static_cast<float>(std::sin(n * 0.7)));
    used.reset();
    for (int n = 0; n < 100; ++n) {
        const auto sample = static_cast<float>(n % 7 == 0);
        ASSERT_EQ(used.process(sample), fresh.process(sample)) << n;
    }
}

// The signal path takes the estimates around each sample from runs, with the widest copy of the filter
// loops the processor has: every copy, and the streaming estimates, must give the same floats.
TEST(TruePeakRuns, EveryLoopCopyGivesTheEstimatesAroundEachSampleThatStreamingGives) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> white(-1.0f, 1.0f);
    constexpr int kBefore = TruePeakEstimator::historyFrames();
    std::vector<float> x(kBefore + 300);
    for (float& sample : x)
        sample = white(random);
    for (const double rate : kRates) {
        TruePeakEstimator streaming(rate);
        std::vector<float> interval(x.size());
        streaming.process(x.data(), interval.data(), static_cast<int>(x.size()));
        for (int width = 0; width <= static_cast<int>(tmx1::widestLoops()); ++width) {
            const TruePeakEstimator estimator(rate, static_cast<tmx1::LoopWidth>(width));
            std::vector<float> around(x.size() - kBefore);
            estimator.peaksAround(x.data() + kBefore, around.data(), static_cast<int>(around.size()));
            for (std::size_t j = 0; j < around.size(); ++j)
                ASSERT_EQ(around[j], std::max(interval[kBefore - 1 + j], interval[kBefore + j]))
                    << rate << " Hz, width " << width << ", frame " << j;
        }
    }
}

TEST(TruePeakOversampling, FourPointsPerIntervalBelow176400HzTwoFromThereAndBadRatesRefused) {
    EXPECT_EQ(TruePeakEstimator::oversamplingFor(44100.0), 4);
    EXPECT_EQ(TruePeakEstimator::oversamplingFor(96000.0), 4);
    EXPECT_EQ(TruePeakEstimator::oversamplingFor(176400.0), 2);
    EXPECT_EQ(TruePeakEstimator::oversamplingFor(192000.0), 2);
    TruePeakEstimator estimator(192000.0);
    EXPECT_EQ(estimator.oversampling(), 2);
    for (const double bad : {0.0, -48000.0, std::nan(""), HUGE_VAL}) {
        estimator.setSampleRate(bad);
        EXPECT_EQ(estimator.oversampling(), 2) << bad;
    }
    estimator.setSampleRate(48000.0);
    EXPECT_EQ(estimator.oversampling(), 4);
}

} // namespace
