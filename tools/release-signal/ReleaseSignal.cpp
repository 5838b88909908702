// tmx1_release_signal: writes the test signal the manual's release pictures are rendered from. Loud
// tone bursts, each followed by a quiet passage of the same tone, so that a compressor clamps down on
// every burst and then shows, during the quiet passage, how its gain recovers.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kSampleRate = 44100;
constexpr double kToneHz = 110.0;      // a bass note: slow enough that a peak detector sees its period
constexpr double kEdgeSeconds = 0.002; // fades at every change of level, so no edge clicks

struct Pattern {
    double loudDbfs, quietDbfs, burstSeconds, quietSeconds;
    int repeats;
};

double amplitude(double dbfs) { return std::pow(10.0, dbfs / 20.0); }

// The tone's level at time t: loud for the first burstSeconds of each period, quiet for the rest,
// with short linear crossfades between the two.
double envelope(const Pattern& p, double t) {
    const double period = p.burstSeconds + p.quietSeconds;
    const double at = std::fmod(t, period);
    const double loud = amplitude(p.loudDbfs), quiet = amplitude(p.quietDbfs);
    const double start = at < kEdgeSeconds ? at / kEdgeSeconds : 1.0;
    const double end = std::clamp((p.burstSeconds - at) / kEdgeSeconds, 0.0, 1.0);
    return quiet + (loud - quiet) * std::min(start, end);
}

std::vector<float> synthesise(const Pattern& p) {
    const auto frames = static_cast<std::size_t>((p.burstSeconds + p.quietSeconds) * p.repeats * kSampleRate);
    std::vector<float> interleaved(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const auto sample =
            static_cast<float>(envelope(p, t) * std::sin(2.0 * std::numbers::pi * kToneHz * t));
        interleaved[2 * i] = interleaved[2 * i + 1] = sample;
    }
    return interleaved;
}

bool write(const std::string& path, const std::vector<float>& interleaved) {
    SF_INFO info{};
    info.samplerate = kSampleRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        return false;
    const auto frames = static_cast<sf_count_t>(interleaved.size() / 2);
    const bool complete = sf_writef_float(file, interleaved.data(), frames) == frames;
    return sf_close(file) == 0 && complete;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::cerr << "usage: tmx1_release_signal OUT.wav LOUD_DBFS QUIET_DBFS BURST_S QUIET_S REPEATS\n";
        return 2;
    }
    const Pattern pattern{std::atof(argv[2]), std::atof(argv[3]), std::atof(argv[4]), std::atof(argv[5]),
                          std::atoi(argv[6])};
    if (pattern.burstSeconds <= 0 || pattern.quietSeconds <= 0 || pattern.repeats < 1) {
        std::cerr << "tmx1_release_signal: burst, quiet passage and repeats must be positive\n";
        return 2;
    }
    if (!write(argv[1], synthesise(pattern))) {
        std::cerr << "tmx1_release_signal: cannot write " << argv[1] << ": " << sf_strerror(nullptr) << "\n";
        return 1;
    }
    return 0;
}
