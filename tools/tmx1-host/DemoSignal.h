// A few seconds of drums and bass, synthesised in code and the same on every run: hard kick and
// snare transients over a sustained bass line, with a quiet passage in the middle, so that a
// compressor has peaks to catch, a body to hold and a stretch to recover on.
#pragma once

#include <cstddef>
#include <vector>

namespace host {

struct StereoSignal {
    int sampleRate = 0;
    std::vector<float> left, right;

    std::size_t frames() const { return left.size(); }
};

class DemoSignal {
  public:
    static constexpr double kTempoBpm = 120.0;
    static constexpr int kBars = 3;
    // The quiet passage, in seconds from the start.
    static constexpr double kQuietFrom = 2.0;
    static constexpr double kQuietTo = 3.5;
    static constexpr double kPeakDbfs = -0.5;

    explicit DemoSignal(int sampleRate);

    const StereoSignal& signal() const { return mix; }

  private:
    void addKick(double at, float level);
    void addSnare(double at, float level);
    void addHat(double at, float level);
    void addBassNote(double at, double length, double frequency, float level);
    // Adds a mono voice at `at` seconds with a pan from -1 (left) to 1 (right).
    template <typename Voice> void add(double at, double length, float pan, Voice voice);
    float noise();
    void normalise();

    StereoSignal mix;
    unsigned noiseState = 0x9E3779B9u;
};

} // namespace host
