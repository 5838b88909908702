// With True Peak and Brick-Wall on, the output's true peak stays within 0.1 dB of the level Brick-Wall
// holds the samples to, as libebur128 and ffmpeg measure it, and within 0.3 dB as a reference far
// finer than the effect's estimator measures it (16 points per sample interval through a 512-tap
// Kaiser-windowed sinc). The signals are those that hide their peaks between the samples: the
// true-peak test signals of EBU Tech 3341, sines at a quarter and near half the rate, a square wave,
// hard-clipped partials and the demo mix, driven 12 dB into the limiter at 44.1, 48 and 96 kHz.
//
// TMX1_TRUE_PEAK_TABLE=1 runs every case with True Peak off as well and prints both overshoots by
// each meter (ffmpeg on each case's own file): the table the manual and README quote.
#include "dsp/APluginProgram.h"
#include "dsp/Compressor.h"
#include "dsp/ParameterTable.h"
#include "tools/tmx1-host/DemoSignal.h"
#include "tools/tmx1-host/SoundFile.h"

#include <ebur128.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr std::array<int, 3> kRates{44100, 48000, 96000};
// Allowed overshoot of the bound, dB.
constexpr double kMeterTolerance = 0.1;
constexpr double kReferenceTolerance = 0.3;
// The same, by the reference, for signals with content above the estimator's band (0.4535 of the rate):
// a tone beyond it, a tone's edge cut dead, white-noise clicks. The meters that delivery is judged by
// miss those peaks as the estimator does; the reference sees up to this much.
constexpr double kBeyondBandReferenceTolerance = 1.0;
// The test signals' full scale sits this far above the bound: everything is limited hard.
constexpr double kDriveDb = 12.0;

double decibels(double ratio) { return 20.0 * std::log10(ratio); }
double fromDecibels(double db) { return std::pow(10.0, db / 20.0); }

struct Stereo {
    std::vector<float> left, right;

    std::size_t frames() const { return left.size(); }
    void scale(double factor) {
        for (auto* channel : {&left, &right})
            for (float& sample : *channel)
                sample = static_cast<float>(sample * factor);
    }
    // `other` after this, beyond a silent gap.
    void append(const Stereo& other, std::size_t gap) {
        left.resize(frames() + gap, 0.0f);
        right.resize(left.size(), 0.0f);
        left.insert(left.end(), other.left.begin(), other.left.end());
        right.insert(right.end(), other.right.begin(), other.right.end());
    }
};

// --- the 16 times oversampled reference

// A Kaiser-windowed sinc 512 taps long (beta 10: stop band about 100 dB down), flat to 1e-5 up to 0.49
// of the rate, evaluated at 16 points in every sample interval, the sample itself the last of them.
class SixteenTimes {
  public:
    static constexpr int kPoints = 16;
    static constexpr int kHalf = 256;

    SixteenTimes() {
        constexpr double beta = 10.0;
        const double norm = std::cyl_bessel_i(0.0, beta);
        for (int j = 0; j < 2 * kHalf; ++j)
            for (int k = 0; k < kPoints; ++k) {
                // From tap j (sample p - kHalf + j) to the point (k + 1) / 16 past sample p - 1.
                const double d = kHalf - 1 - j + static_cast<double>(k + 1) / kPoints;
                const double r = std::max(0.0, 1.0 - (d / kHalf) * (d / kHalf));
                const double window = std::cyl_bessel_i(0.0, beta * std::sqrt(r)) / norm;
                const double sinc = d == 0.0 ? 1.0 : std::sin(kPi * d) / (kPi * d);
                taps[static_cast<std::size_t>(j)][static_cast<std::size_t>(k)] = static_cast<float>(sinc * window);
            }
    }

    // The highest magnitude the band-limited signal reaches, silence taken before and after it.
    double peak(const std::vector<float>& x) const {
        std::vector<float> padded(kHalf, 0.0f);
        padded.insert(padded.end(), x.begin(), x.end());
        padded.resize(x.size() + 2 * kHalf, 0.0f);
        float highest = 0.0f;
        // The points of each interval are accumulated side by side, which vectorises without
        // reordering any sum.
        for (std::size_t p = kHalf; p <= x.size() + kHalf; ++p) {
            std::array<float, kPoints> point{};
            const float* window = padded.data() + p - kHalf;
            for (std::size_t j = 0; j < 2 * kHalf; ++j)
                for (std::size_t k = 0; k < kPoints; ++k)
                    point[k] += window[j] * taps[j][k];
            for (float v : point)
                highest = std::max(highest, std::fabs(v));
        }
        return highest;
    }

    double peak(const Stereo& s) const { return std::max(peak(s.left), peak(s.right)); }

  private:
    std::array<std::array<float, kPoints>, 2 * kHalf> taps{};
};

const SixteenTimes& reference() {
    static const SixteenTimes filter;
    return filter;
}

// --- the meters

double libebur128Peak(const Stereo& s, int rate) {
    ebur128_state* state = ebur128_init(2, static_cast<unsigned long>(rate), EBUR128_MODE_TRUE_PEAK);
    std::vector<float> interleaved(2 * s.frames());
    for (std::size_t i = 0; i < s.frames(); ++i) {
        interleaved[2 * i] = s.left[i];
        interleaved[2 * i + 1] = s.right[i];
    }
    ebur128_add_frames_float(state, interleaved.data(), s.frames());
    double left = 0.0, right = 0.0;
    ebur128_true_peak(state, 0, &left);
    ebur128_true_peak(state, 1, &right);
    ebur128_destroy(&state);
    return std::max(left, right);
}

// ffmpeg's ebur128 filter on a 32-bit float WAV file; it publishes each channel's true peak so far,
// linear, with every 100 ms of audio. Negative when ffmpeg failed.
double ffmpegPeak(const Stereo& s, int rate, const std::string& name) {
    const std::filesystem::path work = std::filesystem::path(TMX1_TEST_WORK_DIR) / "true-peak-ceiling";
    std::filesystem::create_directories(work);
    const std::string wav = (work / (name + ".wav")).string(), log = (work / (name + ".txt")).string();
    host::SoundWriter writer(wav, host::SoundFormat{SF_FORMAT_WAV | SF_FORMAT_FLOAT}, rate);
    writer.write(s.left.data(), s.right.data(), static_cast<int>(s.frames()));
    writer.close();
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -i '" + wav +
                                "' -af 'ebur128=peak=true:metadata=1,ametadata=mode=print:file=" + log +
                                "' -f null - 2>&1";
    if (std::system(command.c_str()) != 0)
        return -1.0;
    std::ifstream lines(log);
    double highest = -1.0;
    const std::string key = "lavfi.r128.true_peaks_ch";
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(key, 0) == 0)
            highest = std::max(highest, std::stod(line.substr(line.find('=') + 1)));
    return highest;
}

// --- the signals, at their published levels (full scale 1)

// A steady signal's first and last 5 ms faded (raised cosine), as an edit would: cut dead at full level,
// its edges would add content up to half the rate (see the table's "cut dead" row).
void fadeEdges(Stereo& s, int rate) {
    const auto length = std::min(s.frames() / 2, static_cast<std::size_t>(rate / 200));
    for (std::size_t i = 0; i < length; ++i) {
        const auto gain = static_cast<float>(0.5 - 0.5 * std::cos(kPi * static_cast<double>(i) / length));
        for (auto* channel : {&s.left, &s.right}) {
            (*channel)[i] *= gain;
            (*channel)[s.frames() - 1 - i] *= gain;
        }
    }
}

Stereo tone(int rate, double seconds, double cyclesPerSample, double phase, double amplitude,
            bool cutDead = false) {
    Stereo s;
    for (int n = 0; n < static_cast<int>(seconds * rate); ++n) {
        const auto v = static_cast<float>(amplitude * std::sin(2.0 * kPi * cyclesPerSample * n + phase));
        s.left.push_back(v);
        s.right.push_back(-0.7f * v); // a quieter other channel, so that an unlinked right limits on its own
    }
    if (!cutDead)
        fadeEdges(s, rate);
    return s;
}

// EBU Tech 3341's cases 20 to 23 (our reconstruction from the published description): a single period of
// a quarter-rate sine, sampled at four offsets a quarter of a sample apart, each brought to 0 dBTP;
// here one after the other every 10 ms.
Stereo quarterRateBursts(int rate, double seconds) {
    Stereo s;
    const auto spacing = static_cast<std::size_t>(rate / 100);
    const auto frames = static_cast<std::size_t>(seconds * rate);
    s.left.assign(frames, 0.0f);
    s.right.assign(frames, 0.0f);
    for (std::size_t at = spacing, burst = 0; at + spacing < frames; at += spacing, ++burst) {
        const double offset = static_cast<double>(burst % 4) / 4.0;
        std::vector<float> one;
        for (int n = 0; n < 5; ++n) {
            const double t = n - offset; // in samples from the period's start
            one.push_back(t >= 0.0 && t < 4.0 ? static_cast<float>(std::sin(kPi / 2.0 * t)) : 0.0f);
        }
        const double truePeak = reference().peak(one);
        for (std::size_t n = 0; n < one.size(); ++n) {
            s.left[at + n] = static_cast<float>(one[n] / truePeak);
            s.right[at + n] = -0.7f * s.left[at + n];
        }
    }
    return s;
}

Stereo square(int rate, double seconds) {
    Stereo s = tone(rate, seconds, 1000.0 / rate, 0.1, 1.0);
    for (auto* channel : {&s.left, &s.right})
        for (float& v : *channel)
            v = v > 0.0f ? 1.0f : -1.0f;
    std::transform(s.right.begin(), s.right.end(), s.right.begin(), [](float v) { return 0.7f * v; });
    fadeEdges(s, rate);
    return s;
}

// Partials from the bass to the top octave, 10 dB over full scale, clipped hard at it.
Stereo clippedPartials(int rate, double seconds) {
    constexpr std::array<std::array<double, 2>, 5> partials{{{60.0, 1.0},
                                                            {440.0, 0.6},
                                                            {2500.0, 0.35},
                                                            {7100.0, 0.2},
                                                            {13300.0, 0.12}}};
    Stereo s;
    for (int n = 0; n < static_cast<int>(seconds * rate); ++n) {
        double v = 0.0;
        for (const auto& [hz, amplitude] : partials)
            v += amplitude * std::sin(2.0 * kPi * hz * n / rate + hz / 1000.0);
        const auto clipped = static_cast<float>(std::clamp(3.2 * v / 2.27, -1.0, 1.0));
        s.left.push_back(clipped);
        s.right.push_back(-0.7f * clipped);
    }
    fadeEdges(s, rate);
    return s;
}

// The first second of the demo mix (kick, snare, hats, bass), its highest sample at full scale.
Stereo demo(int rate) {
    const host::DemoSignal demoSignal(rate);
    const host::StereoSignal& mix = demoSignal.signal();
    Stereo s{{mix.left.begin(), mix.left.begin() + rate}, {mix.right.begin(), mix.right.begin() + rate}};
    float highest = 0.0f;
    for (std::size_t i = 0; i < s.frames(); ++i)
        highest = std::max({highest, std::fabs(s.left[i]), std::fabs(s.right[i])});
    s.scale(1.0 / highest);
    return s;
}

struct Signal {
    const char* name;
    Stereo (*make)(int rate);
    bool beyondBand = false; // content above 0.4535 of the rate that the estimator does not follow
};

const std::vector<Signal>& signals() {
    static const std::vector<Signal> all{
        {"EBU 15: fs/4, 0 deg, -6 dBTP", [](int r) { return tone(r, 0.25, 0.25, 0.0, 0.5); }},
        {"EBU 16: fs/4, 45 deg, -6 dBTP", [](int r) { return tone(r, 0.25, 0.25, kPi / 4, 0.5); }},
        {"EBU 17: fs/6, 60 deg, -6 dBTP", [](int r) { return tone(r, 0.25, 1.0 / 6, kPi / 3, 0.5); }},
        {"EBU 18: fs/8, 67.5 deg, -6 dBTP", [](int r) { return tone(r, 0.25, 0.125, 3 * kPi / 8, 0.5); }},
        {"EBU 19: fs/4, 45 deg, +3 dBTP", [](int r) { return tone(r, 0.25, 0.25, kPi / 4, fromDecibels(3.0)); }},
        {"EBU 20-23: fs/4 period, 4 offsets", [](int r) { return quarterRateBursts(r, 0.25); }},
        {"sine 0.45 fs", [](int r) { return tone(r, 0.25, 0.45, kPi / 2, 1.0); }},
        {"sine 0.49 fs", [](int r) { return tone(r, 0.25, 0.49, kPi / 2, 1.0); }, true},
        {"sine 0.45 fs, cut dead", [](int r) { return tone(r, 0.25, 0.45, kPi / 2, 1.0, true); }, true},
        {"square 1 kHz", [](int r) { return square(r, 0.5); }},
        {"clipped partials", [](int r) { return clippedPartials(r, 0.5); }},
        {"demo mix", demo, true},
    };
    return all;
}

// --- the effect

struct Setting {
    const char* name;
    int program;
    std::vector<std::pair<int, float>> changes;
};

// Threshold -6 dB, Gain 0 dB, no Auto-Gain: the bound is -6 dBFS. Hot Mastering with Gain -1 dB: -1 dBTP.
const std::array<Setting, 2> kSettings{{
    {"-6 dB, no Auto-Gain", 7, {{tmx1::kThreshold, 0.68f}, {tmx1::kGain, 0.5f}, {tmx1::kAutoGain, 0.0f}}},
    {"Hot Mastering -1 dB", 6, {{tmx1::kGain, 0.45f}}},
}};

struct Case {
    std::size_t signal;
    int rate;
    const Setting* setting;
    int block;
    bool link;
};

std::array<float, tmx1::kNumParams> valuesOf(const Case& c, bool truePeak) {
    std::array<float, tmx1::kNumParams> values =
        tmx1::kFactoryPrograms[static_cast<std::size_t>(c.setting->program)].values;
    for (auto [index, value] : c.setting->changes)
        values[static_cast<std::size_t>(index)] = value;
    values[tmx1::kBrickWall] = 1.0f;
    values[tmx1::kStereoLink] = c.link ? 1.0f : 0.0f;
    values[tmx1::kTruePeak] = truePeak ? 1.0f : 0.0f;
    return values;
}

double control(const std::array<float, tmx1::kNumParams>& values, int index) {
    const tmx1::ParameterInfo& p = tmx1::kParameters[static_cast<std::size_t>(index)];
    return tmx1::mapByLaw(p.controlLaw, values[static_cast<std::size_t>(index)], p.controlMin, p.controlMax);
}

// The level Brick-Wall holds every sample to: Threshold x make-up x Gain.
double boundOf(const Case& c) {
    const auto values = valuesOf(c, true);
    const double makeUp = values[tmx1::kAutoGain] > 0.5f ? 1.0 / control(values, tmx1::kThreshold) : 1.0;
    return control(values, tmx1::kThreshold) * makeUp * control(values, tmx1::kGain);
}

void processInBlocks(tmx1::Compressor& effect, const Stereo& in, Stereo& out, int block) {
    for (std::size_t start = 0; start < in.frames(); start += static_cast<std::size_t>(block)) {
        const auto frames = static_cast<std::int32_t>(std::min<std::size_t>(block, in.frames() - start));
        const std::array<const float*, 2> inputs{in.left.data() + start, in.right.data() + start};
        const std::array<float*, 2> outputs{out.left.data() + start, out.right.data() + start};
        effect.process(inputs.data(), outputs.data(), frames);
    }
}

// The effect's output for the case's signal, from the first frame of it to well after its end. The
// effect takes its settings with the first block and idles in silence first, so the output starts
// silent and every frame of it is judged.
Stereo outputOf(const Case& c, const Stereo& signal, bool truePeak) {
    auto effect = std::make_unique<tmx1::Compressor>();
    effect->setSampleRate(static_cast<float>(c.rate));
    const auto values = valuesOf(c, truePeak);
    for (int i = 0; i < tmx1::kNumParams; ++i)
        effect->setParameter(i, values[static_cast<std::size_t>(i)]);
    effect->setMetering(false);
    effect->resume();
    Stereo silence{std::vector<float>(8192), std::vector<float>(8192)};
    Stereo ignored = silence;
    processInBlocks(*effect, silence, ignored, c.block);

    Stereo in = signal;
    const auto tail = static_cast<std::size_t>(effect->latency() + c.rate / 5);
    in.left.resize(in.frames() + tail, 0.0f);
    in.right.resize(in.left.size(), 0.0f);
    Stereo out = in;
    processInBlocks(*effect, in, out, c.block);
    return out;
}

// Overshoots of the bound in dB (negative: below it).
struct Overshoot {
    double libebur128 = 0.0, ffmpeg = 0.0, reference = 0.0;
};

struct Measured {
    Stereo output; // scaled so that the bound is 1
    Overshoot over;
};

Measured measure(const Case& c, bool truePeak, bool withFfmpeg) {
    Stereo input = signals()[c.signal].make(c.rate);
    const double bound = boundOf(c);
    input.scale(bound * fromDecibels(kDriveDb));
    Measured m{outputOf(c, input, truePeak), {}};
    m.output.scale(1.0 / bound);
    m.over.libebur128 = decibels(libebur128Peak(m.output, c.rate));
    m.over.reference = decibels(reference().peak(m.output));
    if (withFfmpeg)
        m.over.ffmpeg = decibels(ffmpegPeak(m.output, c.rate, "case"));
    return m;
}

// Every signal at every rate; the settings, block sizes and Stereo Link take turns across them.
std::vector<Case> cases() {
    constexpr std::array<int, 5> blocks{1, 37, 512, 4096, 100};
    std::vector<Case> all;
    for (std::size_t s = 0; s < signals().size(); ++s)
        for (std::size_t r = 0; r < kRates.size(); ++r)
            all.push_back({s, kRates[r], &kSettings[(s + r) % 2], blocks[(2 * s + r) % blocks.size()],
                           (s / 2 + r) % 2 == 0});
    return all;
}

std::string describe(const Case& c) {
    std::ostringstream text;
    text << signals()[c.signal].name << " at " << c.rate << " Hz, " << c.setting->name << ", blocks of "
         << c.block << ", Stereo Link " << (c.link ? "on" : "off");
    return text.str();
}

TEST(TruePeakCeiling, WithTruePeakOnNoMeterFindsTheOutputAboveTheBrickWallBound) {
    const bool table = std::getenv("TMX1_TRUE_PEAK_TABLE") != nullptr;
    if (table)
        std::cout << "| signal | rate | setting | TP Off: libebur128 / ffmpeg / 16x ref (dB) | "
                     "TP On: libebur128 / ffmpeg / 16x ref (dB) |\n|---|---|---|---|---|\n"
                  << std::fixed << std::setprecision(2);
    // ffmpeg reads all the outputs at a rate from one file: each output is scaled to its bound.
    std::array<Stereo, kRates.size()> atRate;
    for (const Case& c : cases()) {
        const Measured on = measure(c, true, table);
        EXPECT_LE(on.over.libebur128, kMeterTolerance) << describe(c);
        EXPECT_LE(on.over.reference,
                  signals()[c.signal].beyondBand ? kBeyondBandReferenceTolerance : kReferenceTolerance)
            << describe(c);
        const auto r = static_cast<std::size_t>(std::find(kRates.begin(), kRates.end(), c.rate) - kRates.begin());
        atRate[r].append(on.output, static_cast<std::size_t>(c.rate / 10));
        if (table) {
            const Overshoot off = measure(c, false, true).over;
            std::cout << "| " << signals()[c.signal].name << " | " << c.rate << " | " << c.setting->name << " | "
                      << off.libebur128 << " / " << off.ffmpeg << " / " << off.reference << " | "
                      << on.over.libebur128 << " / " << on.over.ffmpeg << " / " << on.over.reference << " |\n";
        }
    }
    for (std::size_t r = 0; r < kRates.size(); ++r) {
        const double peak = ffmpegPeak(atRate[r], kRates[r], "all-" + std::to_string(kRates[r]));
        ASSERT_GT(peak, 0.0) << "ffmpeg did not measure the outputs at " << kRates[r] << " Hz";
        EXPECT_LE(decibels(peak), kMeterTolerance) << "ffmpeg, the outputs at " << kRates[r] << " Hz";
    }
}

// The meters do see what lies between the samples: with True Peak off, a quarter-rate sine at 45
// degrees, its samples held at the bound, peaks 3 dB over it.
TEST(TruePeakCeiling, WithTruePeakOffEveryMeterFindsTheQuarterRateSineAbove) {
    for (const int rate : kRates) {
        const Case c{1, rate, &kSettings[0], 512, true};
        const Overshoot off = measure(c, false, true).over;
        for (const double over : {off.libebur128, off.ffmpeg, off.reference})
            EXPECT_NEAR(over, 3.0, 0.3) << describe(c);
    }
}

} // namespace
