// Test access to the effect's signal state, and a small rig that runs it like a host would.
#pragma once

#include "dsp/BlockState.h"
#include "dsp/Dither.h"
#include "plugin/APlugin.h"

#include <string>
#include <utility>
#include <vector>

namespace tmx1 {

struct APluginProbe {
    const APlugin& plugin;
    const Compressor& p = plugin.compressor;
    // The audio thread's whole state, between blocks.
    const AudioState& audio() const { return p.audio; }
    float current(int i) const { return p.audio.currentValue[static_cast<std::size_t>(i)]; }
    float target(int i) const { return p.audio.targetValue[static_cast<std::size_t>(i)]; }
    int rampCount(int i) const { return p.audio.rampCount[static_cast<std::size_t>(i)]; }
    int rampLength() const { return p.audio.rampLength; }
    int lookahead() const { return p.audio.lookahead; }
    int meterPeriod() const { return p.audio.meterPeriod; }
    bool curveDirty() const { return p.audio.curveDirty != 0; }
    float curve(int j) const { return p.audio.gainCurve[static_cast<std::size_t>(j)]; }
    int releaseType() const { return p.audio.releaseType; }
    float preCoef() const { return p.audio.preCoef; }
    float preCoefFast() const { return p.audio.preCoefFast; }
    float releaseCoefL() const { return p.audio.channelL.releaseCoef; }
    float stageL(int k) const { return p.audio.channelL.stage[static_cast<std::size_t>(k)]; }
    float smoothL(int k) const { return p.audio.channelL.smooth[static_cast<std::size_t>(k)]; }
    // The look-ahead lines and the position of their newest sample.
    std::pair<std::vector<float>, std::vector<float>> delayLines() const {
        return {{p.audio.delayL.begin(), p.audio.delayL.end()},
                {p.audio.delayR.begin(), p.audio.delayR.end()}};
    }
    int delayWrite() const { return p.audio.delayWrite; }
    float fastReleaseCoef() const { return p.audio.fastReleaseCoef; }
    float pdeCoef() const { return p.audio.pdeCoef; }
    float smoothCoef() const { return p.audio.smoothCoef; }
    float optoCoef() const { return p.audio.optoCoef; }
    float brickCoef() const { return p.audio.brickCoef; }
    float meterCoef() const { return p.audio.meterCoef; }
    float staticGain(float level) const { return p.staticGain(level); }
    bool ocAckRequested() const { return p.ocAckRequest.load() != 0; }
    std::pair<float, float> meanSquares() const { return {p.audio.meanSqL, p.audio.meanSqR}; }
    // Which copy of the block loop runs; only those up to the processor's widest may be chosen.
    void useLoops(LoopWidth width) const { const_cast<Compressor&>(p).audio.loopWidth = width; }
    // The state a block would start from now.
    BlockState blockState() const {
        BlockState s{};
        const_cast<Compressor&>(p).loadBlockState(s);
        return s;
    }
};

} // namespace tmx1

namespace dsp_testing {

vst::IntPtr silentHost(vst::AEffect*, vst::Int32 opcode, vst::Int32, vst::IntPtr, void*, float);

// The copies of the block loop this processor can run, the plain one first.
std::vector<tmx1::LoopWidth> loopWidths();
const char* nameOf(tmx1::LoopWidth width);

// Stereo signal buffers.
struct Stereo {
    std::vector<float> left, right;
    explicit Stereo(std::size_t frames = 0, float l = 0.0f, float r = 0.0f)
        : left(frames, l), right(frames, r) {}
    std::size_t size() const { return left.size(); }
};

// An effect set up as a host would: sample rate, program, resumed.
class Rig {
  public:
    explicit Rig(float sampleRate = 44100.0f, int program = 0);

    tmx1::APlugin plugin{silentHost};
    tmx1::APluginProbe probe{plugin};

    // Sets a parameter value as the host does.
    void set(int index, float value) { plugin.setParameter(index, value); }
    // Runs `input` through processReplacing in blocks; answers the output.
    Stereo run(const Stereo& input, int blockSize = 512);
    // Runs `frames` of silence.
    void idle(std::size_t frames, int blockSize = 512) { run(Stereo(frames), blockSize); }
};

// The names of the audio-state fields in which two states differ, for a failure message: an
// assertion compares the states whole, so a field missing here can only make the message shorter.
std::string differingFields(const tmx1::AudioState& a, const tmx1::AudioState& b);

// The normalised Threshold value whose mapped level is `linear`.
float thresholdFor(double linear);
// The normalised Release value whose mapped time is `seconds`.
float releaseFor(double seconds);

} // namespace dsp_testing
