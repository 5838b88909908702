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

float thresholdFor(double linear) {
    return static_cast<float>(std::log(linear / 0.01) / std::log(3.16 / 0.01));
}

float releaseFor(double seconds) { return static_cast<float>(std::log(seconds / 0.005) / std::log(1000.0)); }

} // namespace dsp_testing
