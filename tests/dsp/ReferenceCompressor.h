// A deliberately plain model of the compressor, written from the formulas for one fixed set of
// parameters (no ramps: the values of the first block). Every stored value is a float and every
// expression is evaluated in double, as the plug-in promises; the tests compare the two sample by
// sample.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

namespace reference {

class ReferenceCompressor {
  public:
    // `values` are the ten normalised parameter values; `ditherState` the generator's state before
    // the first frame.
    ReferenceCompressor(const std::array<float, 10>& values, double fs, std::uint32_t ditherState);

    std::pair<float, float> step(float inL, float inR);

    float releaseCoefficient() const { return relCoef; }
    float threshold() const { return thr; }

  private:
    struct Channel {
        float s[6] = {1, 1, 1, 1, 1, 1};
        float rel, pre, env = 1.0f;
        float sm[3] = {1, 1, 1};
        float brick = 1.0f;
    };
    float gainFor(Channel& ch, float lev, float bw);

    // mapped parameters
    float thr, relCoef, knee, gain;
    bool pde, autoGain, brickOn, link;
    int type;
    // coefficients
    float pre = 0, preFast = 0, fastRel, pdeC, smoothC, optoC, brickC;
    int look;
    std::array<float, 2002> curve{};
    Channel left, right;
    float dl[256] = {}, dr[256] = {};
    int w = 0;
    std::uint32_t rng;
};

} // namespace reference
