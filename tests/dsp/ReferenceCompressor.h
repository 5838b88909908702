// A deliberately plain model of the compressor, written from the formulas: the control update of
// every block start (mapping, the work each change calls for, 100 ms ramps, the gain table), the
// rate-dependent constants, and the per-sample path. Every stored value is a float and every
// expression is evaluated in double, as the plug-in promises; the tests compare the two sample by
// sample. A value sent again changes nothing that it would start afresh: no release stages, PDE
// envelopes or brick-wall gains restart for a switch or release type that stays as it was.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <utility>

namespace reference {

class ReferenceCompressor {
  public:
    // An effect as a host sets it up: created, the rate set and resumed, the ten normalised values
    // set, and the first block start taken (which sets every value without a ramp). `ditherState` is
    // the generator's state before the first frame.
    ReferenceCompressor(const std::array<float, 10>& values, double fs, std::uint32_t ditherState);

    // The host's requests between blocks.
    void setParameter(int index, float value);
    void setSampleRate(double fs);
    void resume();
    void suspend();
    // The control update that starts every block.
    void blockStart();

    std::pair<float, float> step(float inL, float inR);

    // In L, In R, Out L, Out R, Cp L, Cp R, as the editor reads them.
    const std::array<float, 6>& meters() const { return meter; }
    bool overCompressed() const { return latched; }
    // The running mean squares of the meter period, left and right.
    std::pair<float, float> meanSquares() const { return {meanL, meanR}; }

  private:
    struct Channel {
        float s[6] = {1, 1, 1, 1, 1, 1};
        float rel = 0, pre = 0, env = 1.0f;
        float sm[3] = {1, 1, 1};
        float brick = 1.0f;
    };
    float mapped(int index) const;
    void changeWork(int index, float previous);
    void startRamp(int index);
    void takeChange(int index);
    void rampStepAll();
    float gainFor(Channel& ch, float lev, float bw);
    void meterStep(float ldL, float ldR, float gL, float gR, float m);

    // parameters: normalised values and their change flags, mapped targets, ramped values
    std::array<float, 10> value{}, target{}, current{}, rampStep{};
    std::array<bool, 10> changed{};
    std::array<int, 10> rampCount{};
    int rampRemaining = 0, rampLength = 0;
    bool firstBlock = true, curveDirty = false, rateChanged = true;
    float fs = 44100.0f;
    int type = 0;
    // coefficients
    float preTime = 0, preTimeFast = 0, pre = 0, preFast = 0;
    float fastRel = 0, pdeC = 0, smoothC = 0, optoC = 0, brickC = 0;
    int look = 0;
    std::array<float, 2002> curve{};
    Channel left, right;
    float dl[256] = {}, dr[256] = {};
    int w = 0;
    std::uint32_t rng;
    // metering
    std::array<float, 6> meter{0, 0, 0, 0, 1, 1};
    float meterC = 0, meanL = 0, meanR = 0, peakL = 0, peakR = 0;
    std::uint32_t count = 0, period = 1;
    bool latched = false;
};

} // namespace reference
