#include "tools/tmx1-host/DemoSignal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace host {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr int kStepsPerBar = 16;

// Bass roots per beat over one bar, in Hz (E1, E1, G1, A1).
constexpr std::array<double, 4> kBassLine{41.20, 41.20, 49.00, 55.00};

double decay(double t, double seconds) { return std::exp(-t / seconds); }

} // namespace

DemoSignal::DemoSignal(int sampleRate) {
    mix.sampleRate = sampleRate;
    const double step = 60.0 / kTempoBpm / 4.0;
    const auto frames = static_cast<std::size_t>(kBars * kStepsPerBar * step * sampleRate);
    mix.left.assign(frames, 0.0f);
    mix.right.assign(frames, 0.0f);

    for (int s = 0; s < kBars * kStepsPerBar; ++s) {
        const double at = s * step;
        const bool quiet = at >= kQuietFrom && at < kQuietTo;
        const float level = quiet ? 0.18f : 1.0f; // about -15 dB, and no kick or snare
        const int inBar = s % kStepsPerBar;
        if (!quiet && (inBar % 4 == 0 || inBar == 10))
            addKick(at, level);
        if (!quiet && inBar % 8 == 4)
            addSnare(at, level);
        if (inBar % 2 == 0)
            addHat(at, level * (inBar % 4 == 2 ? 1.0f : 0.6f));
        if (inBar % 4 == 0)
            addBassNote(at, 4 * step * 0.9, kBassLine[static_cast<std::size_t>(inBar / 4)], level);
    }
    normalise();
}

template <typename Voice> void DemoSignal::add(double at, double length, float pan, Voice voice) {
    const auto rate = static_cast<double>(mix.sampleRate);
    const auto first = static_cast<std::size_t>(at * rate);
    const auto last = std::min(mix.frames(), first + static_cast<std::size_t>(length * rate));
    const float leftGain = std::min(1.0f, 1.0f - pan), rightGain = std::min(1.0f, 1.0f + pan);
    for (std::size_t i = first; i < last; ++i) {
        const float sample = voice(static_cast<double>(i - first) / rate);
        mix.left[i] += leftGain * sample;
        mix.right[i] += rightGain * sample;
    }
}

// A falling sine with a click at the front: the hardest transient of the mix.
void DemoSignal::addKick(double at, float level) {
    double phase = 0.0;
    const double step = 1.0 / mix.sampleRate;
    add(at, 0.45, 0.0f, [&](double t) {
        const double frequency = 45.0 + 95.0 * decay(t, 0.03);
        phase += kTwoPi * frequency * step;
        const double click = t < 0.002 ? 0.5 * noise() : 0.0;
        return level * static_cast<float>((std::sin(phase) + click) * decay(t, 0.15));
    });
}

void DemoSignal::addSnare(double at, float level) {
    add(at, 0.3, -0.2f, [&](double t) {
        const double body = std::sin(kTwoPi * 190.0 * t) * decay(t, 0.04);
        const double rattle = noise() * decay(t, 0.07);
        return level * static_cast<float>(0.45 * body + 0.5 * rattle);
    });
}

// Noise through a first difference, which leaves mostly the highs.
void DemoSignal::addHat(double at, float level) {
    float previous = 0.0f;
    add(at, 0.08, 0.4f, [&](double t) {
        const float white = noise();
        const float bright = white - previous;
        previous = white;
        return level * 0.12f * bright * static_cast<float>(decay(t, 0.015));
    });
}

// A sawtooth through a one-pole low-pass over a sine at the root, shaped at both ends against clicks.
void DemoSignal::addBassNote(double at, double length, double frequency, float level) {
    double phase = 0.0, lowPass = 0.0;
    const double step = 1.0 / mix.sampleRate;
    const double smoothing = 1.0 - std::exp(-kTwoPi * 400.0 * step);
    add(at, length, 0.0f, [&](double t) {
        phase += frequency * step;
        phase -= std::floor(phase);
        lowPass += smoothing * ((2.0 * phase - 1.0) - lowPass);
        const double sub = 0.5 * std::sin(kTwoPi * phase);
        const double envelope = std::min({1.0, t / 0.005, (length - t) / 0.02});
        return level * static_cast<float>(0.35 * (lowPass + sub) * envelope);
    });
}

float DemoSignal::noise() {
    // xorshift32: fixed and platform-independent, unlike the standard distributions.
    noiseState ^= noiseState << 13;
    noiseState ^= noiseState >> 17;
    noiseState ^= noiseState << 5;
    return static_cast<float>(noiseState) / 2147483648.0f - 1.0f;
}

void DemoSignal::normalise() {
    float peak = 0.0f;
    for (std::size_t i = 0; i < mix.frames(); ++i)
        peak = std::max({peak, std::fabs(mix.left[i]), std::fabs(mix.right[i])});
    if (peak == 0.0f)
        return;
    const auto gain = static_cast<float>(std::pow(10.0, kPeakDbfs / 20.0) / peak);
    for (std::size_t i = 0; i < mix.frames(); ++i) {
        mix.left[i] *= gain;
        mix.right[i] *= gain;
    }
}

} // namespace host
