// The true peak of a signal: the highest magnitude the band-limited signal reaches between its
// samples, estimated on a signal oversampled 4 times (2 times at 176.4 kHz and above, where the audio
// band leaves room enough) by an interpolation filter of our own design, in two half-band stages (the
// .cpp says how it was designed and what it guarantees): the midpoints between the samples first, then
// the quarter points between the samples and those midpoints.
//
// The interval a sample closes is the sample itself and the interpolated points between it and the one
// before. Its estimate reads samples on both sides, so it comes latencyFrames() late; the estimate
// around a sample (the intervals either side of it, which is what a limiter holding a sample down must
// know) one frame later still.
//
// The run functions read the samples before a run from the caller's buffer: the signal path keeps them
// in its look-ahead lines anyway. The streaming `process` keeps its own history, for callers that have
// none. Audio thread: nothing here allocates, locks or calls the system; the filter is computed by the
// constructor. Every width computes exactly the same estimates: each point is one chain of additions in
// the same order, whatever the vector lanes.
#pragma once

#include "dsp/LoopWidth.h"

#include <array>

namespace tmx1 {

class TruePeakEstimator {
  public:
    // Taps of the first stage, which makes the midpoints: half of them before the midpoint.
    static constexpr int kTapsPerPhase = 40;
    // Taps of the second stage, which makes the quarter points from samples and midpoints.
    static constexpr int kQuarterTaps = 10;
    // The most points an interval is divided into; the last is the sample itself.
    static constexpr int kMaxOversampling = 4;

    // How many points each interval is divided into at a sample rate: 4 below 176.4 kHz, else 2.
    static int oversamplingFor(double sampleRate);

    TruePeakEstimator() : TruePeakEstimator(44100.0) {}
    explicit TruePeakEstimator(double sampleRate, LoopWidth width = widestLoops());

    // A rate that is not finite and positive is refused. Only the number of points per interval
    // depends on the rate.
    void setSampleRate(double sampleRate);
    int oversampling() const { return pointsPerInterval; }
    // Which copy of the filter loops runs (the same estimates from each).
    void setWidth(LoopWidth loopWidth) { width = loopWidth; }

    // Samples an interval's estimate lags its closing sample by: the newest sample it reads (the
    // quarter points read midpoints kQuarterTaps / 4 intervals ahead, each reading half the first
    // stage's taps ahead of it).
    static constexpr int latencyFrames() { return kTapsPerPhase / 2 - 1 + kQuarterTaps / 4; }
    // The same for the estimate around a sample.
    static constexpr int aroundLatencyFrames() { return latencyFrames() + 1; }
    // Samples before a run that the run functions may read (they work in whole vectors, and round
    // their runs up into the past).
    static constexpr int kHistoryFrames = 96;
    static constexpr int historyFrames() { return kHistoryFrames; }

    // peaks[j] is the estimate of the interval closing at x[j - latencyFrames()]; reads
    // x[j - historyFrames() .. j].
    void intervalPeaks(const float* x, float* peaks, int n) const;
    // peaks[j] is the estimate around x[j - aroundLatencyFrames()]: the larger of the intervals closing
    // at it and at the sample after it; reads x[j - historyFrames() .. j].
    void peaksAround(const float* x, float* peaks, int n) const;

    // Streaming: one sample in, the estimate of the interval closing latencyFrames() before it out.
    float process(float sample);
    // The same for a run of samples; `peaks` may be `input`.
    void process(const float* input, float* peaks, int frames);
    // Forgets the streaming history: the next estimates are those of a signal silent before.
    void reset();

    bool operator==(const TruePeakEstimator&) const = default;

  private:
    // Both stages' filters are symmetric: each keeps the first half of its taps. midpointTaps[i]
    // weighs the samples i and kTapsPerPhase - 1 - i of the midpoint's window; quarterTaps[i] the
    // values i and kQuarterTaps - 1 - i of the quarter point's window, which alternates samples and
    // midpoints.
    std::array<float, kTapsPerPhase / 2> midpointTaps{};
    std::array<float, kQuarterTaps / 2> quarterTaps{};
    int pointsPerInterval = kMaxOversampling;
    LoopWidth width = LoopWidth::baseline;

    // The newest historyFrames() + 1 samples, twice over, so that they always read as one run
    // ending at the second copy of `newest`.
    static constexpr int kHistory = kHistoryFrames + 1;
    std::array<float, 2 * kHistory> history{};
    int newest = 0;
};

} // namespace tmx1
