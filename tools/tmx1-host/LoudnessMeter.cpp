#include "tools/tmx1-host/LoudnessMeter.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace host {

namespace {

constexpr int kAllModes = EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_S | EBUR128_MODE_TRUE_PEAK;
constexpr double kSilence = -std::numeric_limits<double>::infinity();

// The library answers minus infinity or its own -HUGE_VAL for no energy; one value for both.
double orSilence(double lufs) { return std::isfinite(lufs) ? lufs : kSilence; }

} // namespace

struct LoudnessMeter::State {
    explicit State(ebur128_state* measured) : measured(measured) {}
    ~State() { ebur128_destroy(&measured); }
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ebur128_state* measured;
};

LoudnessMeter::LoudnessMeter(int channels, int sampleRate, bool keepHistory, Scope scope)
    : state(std::make_unique<State>(ebur128_init(static_cast<unsigned>(channels),
                                                 static_cast<unsigned long>(sampleRate),
                                                 scope == Scope::everything ? kAllModes : EBUR128_MODE_I))),
      channels(channels), stepFrames(std::max(1, static_cast<int>(std::lround(sampleRate * kStepSeconds)))),
      keepHistory(keepHistory), highestShortTerm(kSilence),
      interleaved(static_cast<std::size_t>(stepFrames * channels)) {
    if (state->measured == nullptr || channels < 1 || channels > 2)
        throw LoudnessError("cannot measure the loudness of " + std::to_string(channels) + " channels at " +
                            std::to_string(sampleRate) + " Hz");
}

LoudnessMeter::~LoudnessMeter() = default;

void LoudnessMeter::add(const float* left, const float* right, int frames) {
    // Fed in pieces that end on each step, where the short-term loudness is read.
    while (frames > 0) {
        const int piece = std::min(frames, stepFrames - framesInStep);
        addWithinStep(left, right, piece);
        left += piece;
        right += channels == 2 ? piece : 0;
        frames -= piece;
    }
}

void LoudnessMeter::addWithinStep(const float* left, const float* right, int frames) {
    for (int i = 0; i < frames; ++i) {
        interleaved[static_cast<std::size_t>(i * channels)] = left[i];
        if (channels == 2)
            interleaved[static_cast<std::size_t>(i * 2 + 1)] = right[i];
    }
    ebur128_add_frames_float(state->measured, interleaved.data(), static_cast<std::size_t>(frames));
    framesInStep += frames;
    if (framesInStep == stepFrames)
        completeStep();
}

void LoudnessMeter::completeStep() {
    framesInStep = 0;
    double shortTerm = kSilence;
    if (ebur128_loudness_shortterm(state->measured, &shortTerm) != EBUR128_SUCCESS)
        return;
    shortTerm = orSilence(shortTerm);
    highestShortTerm = std::max(highestShortTerm, shortTerm);
    if (keepHistory)
        history.push_back(static_cast<float>(shortTerm));
}

Loudness LoudnessMeter::loudness() const {
    Loudness measured;
    measured.highestShortTermLufs = highestShortTerm;
    double value = kSilence;
    measured.integratedLufs =
        ebur128_loudness_global(state->measured, &value) == EBUR128_SUCCESS ? orSilence(value) : kSilence;
    value = 0.0;
    measured.rangeLu =
        ebur128_loudness_range(state->measured, &value) == EBUR128_SUCCESS && std::isfinite(value) ? value
                                                                                                   : 0.0;
    for (int c = 0; c < channels; ++c)
        if (ebur128_true_peak(state->measured, static_cast<unsigned>(c), &value) == EBUR128_SUCCESS)
            measured.truePeak = std::max(measured.truePeak, value);
    return measured;
}

} // namespace host
