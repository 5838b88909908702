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
    // In L, In R, Out L, Out R, Cp L, Cp R, as the editor reads them.
    const std::array<float, 6>& meters() const { return meter; }
    bool overCompressed() const { return latched; }
    // The running mean squares of the meter period, left and right.
    std::pair<float, float> meanSquares() const { return {meanL, meanR}; }
    float threshold() const { return thr; }

  private:
    struct Channel {
        float s[6] = {1, 1, 1, 1, 1, 1};
        float rel, pre, env = 1.0f;
        float sm[3] = {1, 1, 1};
        float brick = 1.0f;
    };
    float gainFor(Channel& ch, float lev, float bw);
    void meterStep(float ldL, float ldR, float gL, float gR, float m);

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
    // metering
    std::array<float, 6> meter{0, 0, 0, 0, 1, 1};
    float meterC, meanL = 0, meanR = 0, peakL = 0, peakR = 0;
    std::uint32_t count = 0, period;
    bool latched = false;
};

} // namespace reference
