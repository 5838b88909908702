#include "tests/dsp/APluginProbe.h"

#include <algorithm>
#include <cmath>

namespace dsp_testing {

vst::IntPtr silentHost(vst::AEffect*, vst::Int32 opcode, vst::Int32, vst::IntPtr, void*, float) {
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

Rig::Rig(float sampleRate, int program) {
    plugin.setSampleRate(sampleRate);
    plugin.resume();
    plugin.setProgram(program);
}

Stereo Rig::run(const Stereo& input, int blockSize) {
    Stereo output(input.size());
    for (std::size_t start = 0; start < input.size(); start += static_cast<std::size_t>(blockSize)) {
        const auto frames = static_cast<int>(
            std::min<std::size_t>(static_cast<std::size_t>(blockSize), input.size() - start));
        float* in[2] = {const_cast<float*>(input.left.data() + start),
                        const_cast<float*>(input.right.data() + start)};
        float* out[2] = {output.left.data() + start, output.right.data() + start};
        plugin.processReplacing(in, out, frames);
    }
    return output;
}

std::vector<tmx1::LoopWidth> loopWidths() {
    using tmx1::LoopWidth;
    std::vector<LoopWidth> widths;
    for (LoopWidth width : {LoopWidth::baseline, LoopWidth::avx2, LoopWidth::avx512})
        if (width <= tmx1::widestLoops())
            widths.push_back(width);
    return widths;
}

const char* nameOf(tmx1::LoopWidth width) {
    switch (width) {
    case tmx1::LoopWidth::avx512:
        return "x86-64-v4 loops";
    case tmx1::LoopWidth::avx2:
        return "x86-64-v3 loops";
    default:
        return "x86-64 loops";
    }
}

std::string differingFields(const tmx1::AudioState& a, const tmx1::AudioState& b) {
    std::string names;
    const auto check = [&names](bool same, const std::string& name) {
        if (!same)
            names += (names.empty() ? "" : ", ") + name;
    };
#define TMX1_CHECK_FIELD(field) check(a.field == b.field, #field)
    TMX1_CHECK_FIELD(targetValue);
    TMX1_CHECK_FIELD(currentValue);
    TMX1_CHECK_FIELD(rampStep);
    TMX1_CHECK_FIELD(rampCount);
    TMX1_CHECK_FIELD(rampRemaining);
    TMX1_CHECK_FIELD(rampLength);
    TMX1_CHECK_FIELD(firstBlock);
    TMX1_CHECK_FIELD(curveDirty);
    TMX1_CHECK_FIELD(gainCurve);
    TMX1_CHECK_FIELD(releaseType);
    TMX1_CHECK_FIELD(preTime);
    TMX1_CHECK_FIELD(preTimeFast);
    TMX1_CHECK_FIELD(preCoef);
    TMX1_CHECK_FIELD(preCoefFast);
    TMX1_CHECK_FIELD(fastReleaseCoef);
    TMX1_CHECK_FIELD(pdeCoef);
    TMX1_CHECK_FIELD(smoothCoef);
    TMX1_CHECK_FIELD(optoCoef);
    TMX1_CHECK_FIELD(brickCoef);
    TMX1_CHECK_FIELD(lookahead);
    TMX1_CHECK_FIELD(meterPeriod);
    TMX1_CHECK_FIELD(meterCoef);
    for (const auto& [channel, name] : {std::pair{&tmx1::AudioState::channelL, "channelL."},
                                        std::pair{&tmx1::AudioState::channelR, "channelR."}}) {
        const tmx1::ChannelState& x = a.*channel;
        const tmx1::ChannelState& y = b.*channel;
        const std::string prefix = name;
        check(x.stage == y.stage, prefix + "stage");
        check(x.releaseCoef == y.releaseCoef, prefix + "releaseCoef");
        check(x.preCoef == y.preCoef, prefix + "preCoef");
        check(x.pdeEnv == y.pdeEnv, prefix + "pdeEnv");
        check(x.smooth == y.smooth, prefix + "smooth");
        check(x.brick == y.brick, prefix + "brick");
    }
    TMX1_CHECK_FIELD(delayL);
    TMX1_CHECK_FIELD(delayR);
    TMX1_CHECK_FIELD(delayWrite);
    TMX1_CHECK_FIELD(truePeakOn);
    TMX1_CHECK_FIELD(truePeak);
    TMX1_CHECK_FIELD(peakLineL);
    TMX1_CHECK_FIELD(peakLineR);
    TMX1_CHECK_FIELD(meanSqL);
    TMX1_CHECK_FIELD(meanSqR);
    TMX1_CHECK_FIELD(peakSqL);
    TMX1_CHECK_FIELD(peakSqR);
    TMX1_CHECK_FIELD(meterCount);
    TMX1_CHECK_FIELD(loopWidth);
#undef TMX1_CHECK_FIELD
    return names;
}

float thresholdFor(double linear) {
    return static_cast<float>(std::log(linear / 0.01) / std::log(3.16 / 0.01));
}

float releaseFor(double seconds) { return static_cast<float>(std::log(seconds / 0.005) / std::log(1000.0)); }

} // namespace dsp_testing
