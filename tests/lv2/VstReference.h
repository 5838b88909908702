// What other hosts of the LV2 plug-in are held against: tmx1-host's render of the same input through
// the VST library, and the stereo sound files both write, read back whole.
#pragma once

#include "tools/tmx1-host/Renderer.h"

#include <cstddef>
#include <string>
#include <vector>

namespace lv2test {

struct Stereo {
    std::vector<float> left, right;
};

Stereo readSound(const std::string& path);

// Two tones, the left 3.5 dB over full scale, the right at -2 dB, with silence before and after them,
// as a 32-bit float WAV file.
void writeTestTones(const std::string& path, int rate, double silenceBefore, double toneSeconds,
                    double silenceAfter);

// tmx1-host's render of a factory program through the VST library, the latency kept as LV2 hosts keep it.
void renderThroughVst(const std::string& input, const std::string& output, int program, int blockFrames,
                      const std::vector<host::ParameterSetting>& parameters);

// The largest difference between two renders, over both channels and the frames of `a` from `aFrom`
// against those of `b` from `bFrom`, as many as `frames`; and where, counted in `b`.
struct Difference {
    float size = 0.0f;
    std::size_t frame = 0;
};
Difference largestDifference(const Stereo& a, std::size_t aFrom, const Stereo& b, std::size_t bFrom,
                             std::size_t frames);

// The dither is seeded from the clock in each process: noise of a few 1e-8 apart.
constexpr float kSameSound = 1e-6f;

} // namespace lv2test
