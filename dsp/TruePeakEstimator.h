// The true peak of one channel: the highest magnitude the band-limited signal reaches between its
// samples, estimated on a signal oversampled 4 times (2 times at 88.2 kHz and above, where the audio
// band leaves room enough) by a polyphase interpolation filter of our own design (the .cpp says how it
// was designed and what it guarantees).
//
// For every sample in it gives one estimate, `latencyFrames()` samples late: the highest magnitude
// over the interval that a sample closes, that is the sample itself and the interpolated points
// between it and the one before. A limiter that acts on the estimate delays its audio by as much.
//
// Audio thread: nothing here allocates, locks or calls the system; the filter is computed by the
// constructor. State, all written by process and cleared by reset:
//   history[2 * kTapsPerPhase]  the newest kTapsPerPhase input samples, twice over, so that the
//                               filter always reads them as one run from `newest`
//   newest                      where the newest sample stands in the first copy
#pragma once

#include <array>

namespace tmx1 {

class TruePeakEstimator {
  public:
    // Taps of each phase of the interpolation filter: the estimate for a sample reads half of them
    // before it and half after it.
    static constexpr int kTapsPerPhase = 40;
    // The most points an interval is divided into.
    static constexpr int kMaxOversampling = 4;

    // How many points each interval is divided into at a sample rate: 4 below 88.2 kHz, else 2.
    static int oversamplingFor(double sampleRate);

    explicit TruePeakEstimator(double sampleRate = 44100.0);

    // A rate that is not finite and positive is refused. The history is kept: only the number of
    // points per interval depends on the rate.
    void setSampleRate(double sampleRate);
    int oversampling() const { return pointsPerInterval; }

    // Samples an estimate lags its sample by: the newest sample the interpolation between samples
    // p - 1 and p reads is p + latencyFrames().
    static constexpr int latencyFrames() { return kTapsPerPhase / 2 - 1; }

    // Forgets the history: the next estimates are those of a signal that was silent before.
    void reset();

    // One sample in, the estimate for the sample latencyFrames() before it out.
    float process(float sample);
    // The same for a run of samples; `peaks` may be `input`.
    void process(const float* input, float* peaks, int frames);

  private:
    // The interpolation filter, its phases interleaved and fixed at construction: taps[i * 4 + k]
    // is tap i of the point (k + 1) / 4 of the way from sample p - 1 to sample p, the last point
    // being the sample itself. At 2 times only the middle point and the sample count.
    std::array<float, kTapsPerPhase * kMaxOversampling> taps{};
    int pointsPerInterval = kMaxOversampling;

    std::array<float, 2 * kTapsPerPhase> history{};
    int newest = 0;
};

} // namespace tmx1
