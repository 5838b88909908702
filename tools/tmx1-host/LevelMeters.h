// Level measurements a host can make without knowing the effect: sample peaks, and the largest
// gain reduction seen from outside.
#pragma once

#include <optional>
#include <vector>

namespace host {

// The largest absolute sample of a stereo stream.
class PeakMeter {
  public:
    void add(const float* left, const float* right, int frames);
    double peak() const { return highest; }

  private:
    double highest = 0.0;
};

// The gain an effect applied is taken over short windows as output peak / input peak, from the
// input and the sample-aligned output, in windows whose input peak is above a floor (below it,
// noise and dither would decide). The largest gain reduction is how far the lowest window gain
// lies below the highest one. Make-up and output gain raise every window alike and so do not
// count; the highest gain stands for "no reduction", which a signal compressed all the time never
// shows, so then the figure is lower than the true reduction.
class GainReductionMeter {
  public:
    static constexpr double kWindowSeconds = 0.010;
    static constexpr double kInputFloorDb = -50.0;

    explicit GainReductionMeter(double sampleRate);

    void addInput(const float* left, const float* right, int frames);
    // Output frame k must be the effect's answer to input frame k.
    void addOutput(const float* left, const float* right, int frames);

    // In dB, positive; nothing when no window of both streams is above the floor.
    std::optional<double> largestReductionDb() const;

  private:
    // Peaks of consecutive whole windows of one stream.
    struct WindowPeaks {
        std::vector<float> completed;
        float current = 0.0f;
        int framesInCurrent = 0;
    };
    void add(WindowPeaks& windows, const float* left, const float* right, int frames) const;

    int windowFrames;
    WindowPeaks input, output;
};

} // namespace host
