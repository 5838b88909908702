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

float thresholdFor(double linear) {
    return static_cast<float>(std::log(linear / 0.01) / std::log(3.16 / 0.01));
}

float releaseFor(double seconds) { return static_cast<float>(std::log(seconds / 0.005) / std::log(1000.0)); }

} // namespace dsp_testing
