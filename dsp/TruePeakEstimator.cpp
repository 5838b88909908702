#include "dsp/TruePeakEstimator.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tmx1 {

namespace {

// The interpolation filter's design. Each stage is an ideal band-limited interpolator (a sinc, cut off at
// half its sample rate) sampled half-way between two of its input values, shaped by a Kaiser window
// and scaled to a gain of exactly 1 at 0 Hz. The first stage makes the midpoints between the samples
// from 40 samples around each; the second makes the quarter points from the signal at twice the rate
// (samples and midpoints alternating), where the audio band fills less than a quarter of the rate and
// a short filter does: 10 values around each. The lengths and the windows' betas were chosen by
// measuring every interpolated point of sines against the exact sine: 40 taps with beta 6, then 10 with
// beta 7, keep every point of a sine up to 0.4535 of the rate (20 kHz at 44.1 kHz) within 0.0018 of its
// amplitude (the first stage's own error; one stage of 40 taps per point did no better, at two and a
// half times the cost). The point at a sample is the sample itself, so an estimate never reads below
// the sample peak. Together with the grid of points (a sine's peak may lie half a point's spacing from
// the nearest point) that bounds the estimate of a sine of amplitude A at frequency f up to 0.4535 of
// the rate:
//     A * (cos(pi * f / (oversampling * rate)) - 0.002)  <=  estimate  <=  A * 1.002
// At 4 times that is an under-read of at most 0.58 dB at 0.4535 of the rate, 0.49 dB at 20 kHz and
// 48 kHz, and 0.2 dB up to 0.26 of the rate: the grid, not the filter, sets it.
constexpr double kMidpointBeta = 6.0;
constexpr double kQuarterBeta = 7.0;

// The modified Bessel function of the first kind and order 0, by its power series: the terms fall
// faster than geometrically for the arguments a Kaiser window uses.
double besselI0(double x) {
    const double quarterSquare = x * x / 4.0;
    double term = 1.0, sum = 1.0;
    for (int k = 1; term > sum * 1e-17; ++k) {
        term *= quarterSquare / (static_cast<double>(k) * k);
        sum += term;
    }
    return sum;
}

// Exactly 0 at every other whole number (where sin(pi * t) would leave a rounding error).
double sinc(double t) {
    constexpr double pi = 3.14159265358979323846;
    if (t == std::round(t))
        return t == 0.0 ? 1.0 : 0.0;
    return std::sin(pi * t) / (pi * t);
}

// Kaiser window of half-width `half` at distance t from its centre.
double kaiser(double t, double half, double beta) {
    const double u = t / half;
    return u >= 1.0 ? 0.0 : besselI0(beta * std::sqrt(1.0 - u * u)) / besselI0(beta);
}

// The first half of an n-tap interpolator half-way between its values n / 2 - 1 and n / 2 (the other
// half mirrors it), as floats.
template <std::size_t half> std::array<float, half> halfWayTaps(double beta) {
    std::array<double, 2 * half> taps{};
    double sum = 0.0;
    for (std::size_t i = 0; i < taps.size(); ++i) {
        const double t = static_cast<double>(half) - 0.5 - static_cast<double>(i);
        taps[i] = sinc(t) * kaiser(t, static_cast<double>(half), beta);
        sum += taps[i];
    }
    std::array<float, half> first{};
    for (std::size_t i = 0; i < half; ++i)
        first[i] = static_cast<float>(taps[i] / sum);
    return first;
}

constexpr int kHalf = TruePeakEstimator::kTapsPerPhase / 2;
constexpr int kQuarterHalf = TruePeakEstimator::kQuarterTaps / 2;
static_assert(kQuarterHalf == 5, "the quarter points below are written out for 10 taps");

// Outputs per piece of a run, and the most values a piece computes (rounded up to whole vectors).
constexpr int kPiece = 64;
constexpr int kMostLanes = 8;
constexpr int roundUp(int n, int lanes) { return (n + lanes - 1) / lanes * lanes; }
constexpr int kMostClosings = roundUp(kPiece + 1, kMostLanes);
constexpr int kMostMidpoints = roundUp(kMostClosings + 4, kMostLanes);

// Inlined into each width's copy, so that it is compiled for that width's instructions. Vectors are
// typedefs (a dependent vector size in an alias declaration would be dropped); loads and stores are
// copies, which the compiler turns into plain vector moves. Each value is one chain of
// multiplications and additions, never fused (this unit is compiled without contraction), in the same
// order whatever the lanes: every width gives the same floats.
#define TMX1_ESTIMATOR_STEP [[gnu::always_inline]] inline

// The midpoints m(p) (at p - 1/2) for p = first .. first + count - 1, count a whole number of vectors:
// m(p) weighs the pairs x[p - 20 + i] and x[p + 19 - i].
// Several vectors at a time: each is a chain of 20 additions, and side by side their latencies overlap.
template <int lanes, int vectors>
TMX1_ESTIMATOR_STEP void midpointVectors(const float* taps, const float* at, float* m) {
    typedef float Vector __attribute__((vector_size(lanes * sizeof(float))));
    Vector sum[vectors] = {};
    for (int i = 0; i < kHalf; ++i)
        for (int v = 0; v < vectors; ++v) {
            Vector before, after;
            std::memcpy(&before, at + v * lanes - kHalf + i, sizeof before);
            std::memcpy(&after, at + v * lanes + kHalf - 1 - i, sizeof after);
            sum[v] += taps[i] * (before + after);
        }
    std::memcpy(m, sum, sizeof sum);
}

template <int lanes>
TMX1_ESTIMATOR_STEP void midpoints(const float* taps, const float* x, int first, int count, float* m) {
    constexpr int kSideBySide = 4;
    int k = 0;
    for (; k + kSideBySide * lanes <= count; k += kSideBySide * lanes)
        midpointVectors<lanes, kSideBySide>(taps, x + first + k, m + k);
    for (; k < count; k += lanes)
        midpointVectors<lanes, 1>(taps, x + first + k, m + k);
}

// The estimates of the intervals closing at p = first .. first + count - 1 (count a whole number of
// vectors), from the samples and the midpoints (m(p) at m[p - mFirst]). With quarter points, each is
// made from the 10 values around it of the signal at twice the rate, paired by the filter's symmetry.
template <int lanes, bool quarters>
TMX1_ESTIMATOR_STEP void closingVectors(const float* g, const float* x, const float* m, int mFirst, int first,
                                        int count, float* out) {
    typedef float Vector __attribute__((vector_size(lanes * sizeof(float))));
    for (int k = 0; k < count; k += lanes) {
        const int p = first + k;
        Vector s[6], mid[5]; // x[p - 3 .. p + 2], m(p - 2 .. p + 2)
        for (int d = 0; d < 6; ++d)
            std::memcpy(&s[d], x + p - 3 + d, sizeof s[d]);
        for (int d = 0; d < 5; ++d)
            std::memcpy(&mid[d], m + p - mFirst - 2 + d, sizeof mid[d]);
        Vector peak = s[3] < 0.0f ? -s[3] : s[3]; // the last point: the sample itself
        Vector points[3] = {mid[2], mid[2], mid[2]};
        int pointCount = 1;
        if constexpr (quarters) {
            // p - 3/4: x[p-3], m(p-2), x[p-2], m(p-1), x[p-1] | m(p), x[p], m(p+1), x[p+1], m(p+2)
            Vector early = {};
            early += g[0] * (s[0] + mid[4]);
            early += g[1] * (mid[0] + s[4]);
            early += g[2] * (s[1] + mid[3]);
            early += g[3] * (mid[1] + s[3]);
            early += g[4] * (s[2] + mid[2]);
            // p - 1/4: m(p-2), x[p-2], m(p-1), x[p-1], m(p) | x[p], m(p+1), x[p+1], m(p+2), x[p+2]
            Vector late = {};
            late += g[0] * (mid[0] + s[5]);
            late += g[1] * (s[1] + mid[4]);
            late += g[2] * (mid[1] + s[4]);
            late += g[3] * (s[2] + mid[3]);
            late += g[4] * (mid[2] + s[3]);
            points[1] = early;
            points[2] = late;
            pointCount = 3;
        }
        for (int q = 0; q < pointCount; ++q) {
            const Vector magnitude = points[q] < 0.0f ? -points[q] : points[q];
            peak = magnitude > peak ? magnitude : peak;
        }
        std::memcpy(out + k, &peak, sizeof peak);
    }
}

struct Filters {
    const float* midpointTaps;
    const float* quarterTaps;
    int points;
};

// Whole vectors, then the rest one at a time (the same arithmetic, one lane wide).
template <int lanes, bool quarters>
TMX1_ESTIMATOR_STEP void closings(const float* g, const float* x, const float* m, int mFirst, int first,
                                  int count, float* out) {
    const int whole = count / lanes * lanes;
    closingVectors<lanes, quarters>(g, x, m, mFirst, first, whole, out);
    closingVectors<1, quarters>(g, x, m, mFirst, first + whole, count - whole, out + whole);
}

// peaks[j] for j < n (n at most kMostClosings), the interval closing at x[j - latency]. The midpoints,
// the costly part, are rounded up to whole vectors into the past, where the history holds samples.
template <int lanes>
TMX1_ESTIMATOR_STEP void intervalRun(const Filters& f, const float* x, float* peaks, int n) {
    constexpr int latency = TruePeakEstimator::latencyFrames();
    const int first = -latency; // the interval closing at x[0 - latency]
    const int mCount = roundUp(n + 4, lanes);
    const int mFirst = first + n + 2 - mCount; // the last is m(first + n + 1)
    float m[kMostMidpoints];
    midpoints<lanes>(f.midpointTaps, x, mFirst, mCount, m);
    if (f.points == 4)
        closings<lanes, true>(f.quarterTaps, x, m, mFirst, first, n, peaks);
    else
        closings<lanes, false>(f.quarterTaps, x, m, mFirst, first, n, peaks);
}

using Run = void (*)(const Filters&, const float*, float*, int);

void intervalRunBaseline(const Filters& f, const float* x, float* peaks, int n) {
    intervalRun<4>(f, x, peaks, n);
}
// Eight lanes for AVX-512 too: processors that split a 16-lane operation in two gain nothing from it,
// and a run rounded up to 16 would compute more values that are thrown away.
[[gnu::target("arch=x86-64-v3")]] void intervalRunAvx2(const Filters& f, const float* x, float* peaks, int n) {
    intervalRun<8>(f, x, peaks, n);
}
[[gnu::target("arch=x86-64-v4")]] void intervalRunAvx512(const Filters& f, const float* x, float* peaks,
                                                         int n) {
    intervalRun<8>(f, x, peaks, n);
}

} // namespace

// 2 points were measured to miss 0.5 dB of full-band material at 96 kHz, and cost little less than 4.
int TruePeakEstimator::oversamplingFor(double sampleRate) { return sampleRate < 176400.0 ? 4 : 2; }

TruePeakEstimator::TruePeakEstimator(double sampleRate, LoopWidth loopWidth)
    : midpointTaps(halfWayTaps<kTapsPerPhase / 2>(kMidpointBeta)),
      quarterTaps(halfWayTaps<kQuarterTaps / 2>(kQuarterBeta)), width(loopWidth) {
    setSampleRate(sampleRate);
}

void TruePeakEstimator::setSampleRate(double sampleRate) {
    if (std::isfinite(sampleRate) && sampleRate > 0.0)
        pointsPerInterval = oversamplingFor(sampleRate);
}

void TruePeakEstimator::intervalPeaks(const float* x, float* peaks, int n) const {
    const Filters filters{midpointTaps.data(), quarterTaps.data(), pointsPerInterval};
    const Run run = width == LoopWidth::avx512 ? intervalRunAvx512
                    : width == LoopWidth::avx2 ? intervalRunAvx2
                                               : intervalRunBaseline;
    for (int done = 0; done < n;) {
        const int count = std::min(kMostClosings, n - done);
        run(filters, x + done, peaks + done, count);
        done += count;
    }
}

void TruePeakEstimator::peaksAround(const float* x, float* peaks, int n) const {
    // In pieces, each through a buffer of its intervals: the one closing before each sample's own
    // interval is the previous sample's.
    std::array<float, kPiece + 1> closingAt{};
    for (int done = 0; done < n;) {
        const int count = std::min(kPiece, n - done);
        intervalPeaks(x + done - 1, closingAt.data(), count + 1);
        for (int j = 0; j < count; ++j)
            peaks[done + j] = std::max(closingAt[static_cast<std::size_t>(j)],
                                       closingAt[static_cast<std::size_t>(j + 1)]);
        done += count;
    }
}

void TruePeakEstimator::reset() {
    history.fill(0.0f);
    newest = 0;
}

float TruePeakEstimator::process(float sample) {
    // The sample goes into both copies: the run of kHistory from `newest` + 1 ends with it.
    newest = newest + 1 == kHistory ? 0 : newest + 1;
    history[static_cast<std::size_t>(newest)] = sample;
    history[static_cast<std::size_t>(newest + kHistory)] = sample;
    float peak = 0.0f;
    intervalPeaks(history.data() + newest + kHistory, &peak, 1);
    return peak;
}

void TruePeakEstimator::process(const float* input, float* peaks, int frames) {
    for (int i = 0; i < frames; ++i)
        peaks[i] = process(input[i]);
}

} // namespace tmx1
