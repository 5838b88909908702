// Loudness as broadcasters measure it (ITU-R BS.1770 with EBU R 128's gating), through libebur128:
// integrated loudness, loudness range, the highest short-term loudness and the true peak of a stream
// of one or two channels, and when asked the short-term loudness over time for a plot.
#pragma once

#include <memory>
#include <stdexcept>
#include <vector>

namespace host {

class LoudnessError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What a whole stream measured. A stream that never rises above the absolute gate (silence, or
// shorter than one 400 ms block) has an integrated loudness of minus infinity.
struct Loudness {
    double integratedLufs = 0.0;
    double rangeLu = 0.0;
    double highestShortTermLufs = 0.0;
    double truePeak = 0.0; // linear, the highest of the channels
};

class LoudnessMeter {
  public:
    // Short-term loudness is read at this interval, as the EBU asks of a meter (at least 10 times a
    // second).
    static constexpr double kStepSeconds = 0.1;

    // What to measure: everything in Loudness, or only the integrated loudness, at a fraction of the
    // cost, for audio measured over and over (the other figures are then not measured and no history
    // is kept).
    enum class Scope { everything, integratedOnly };

    // `keepHistory`: keep every short-term reading. Throws LoudnessError when the library refuses.
    LoudnessMeter(int channels, int sampleRate, bool keepHistory, Scope scope = Scope::everything);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    // `right` is not read for one channel.
    void add(const float* left, const float* right, int frames);

    Loudness loudness() const;
    // LUFS at the end of each step so far, minus infinity for silence; empty unless kept.
    const std::vector<float>& shortTermHistory() const { return history; }

  private:
    void addWithinStep(const float* left, const float* right, int frames);
    void completeStep();

    struct State; // the library's, which its header names only as a typedef
    std::unique_ptr<State> state;
    int channels;
    int stepFrames;
    int framesInStep = 0;
    bool keepHistory;
    double highestShortTerm;
    std::vector<float> interleaved;
    std::vector<float> history;
};

} // namespace host
