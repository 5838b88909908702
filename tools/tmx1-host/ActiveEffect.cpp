#include "tools/tmx1-host/ActiveEffect.h"

#include <algorithm>

namespace host {

ActiveEffect::ActiveEffect(HostedEffect& effect, float sampleRate, int maxBlockFrames)
    : effect(effect), maxFrames(maxBlockFrames),
      replacing((effect.record().flags & vst::effFlagsCanReplacing) != 0) {
    if (maxBlockFrames <= 0)
        throw HostError("the block size must be at least one frame");
    if (effect.record().numOutputs <= 0)
        throw HostError("the effect has no audio outputs");
    if ((replacing ? effect.record().processReplacing : effect.record().process) == nullptr)
        throw HostError("the effect offers no processing entry");
    // Effects with fewer than two inputs still get our stereo pair; the rest stays unread.
    resizeChannels(inputs, inputPointers, std::max(effect.record().numInputs, 2));
    resizeChannels(outputs, outputPointers, effect.record().numOutputs);
    effect.dispatch(vst::effSetSampleRate, 0, 0, nullptr, sampleRate);
    effect.dispatch(vst::effSetBlockSize, 0, maxBlockFrames);
    effect.dispatch(vst::effMainsChanged, 0, 1);
}

ActiveEffect::~ActiveEffect() { effect.dispatch(vst::effMainsChanged, 0, 0); }

int ActiveEffect::latency() const { return std::max(effect.record().initialDelay, 0); }

void ActiveEffect::resizeChannels(std::vector<std::vector<float>>& buffers, std::vector<float*>& pointers,
                                  int count) {
    buffers.assign(static_cast<std::size_t>(count), std::vector<float>(static_cast<std::size_t>(maxFrames)));
    pointers.clear();
    for (auto& buffer : buffers)
        pointers.push_back(buffer.data());
}

void ActiveEffect::process(const float* inLeft, const float* inRight, float* outLeft, float* outRight,
                           int frames) {
    std::copy_n(inLeft, frames, inputs[0].begin());
    std::copy_n(inRight, frames, inputs[1].begin());
    if (replacing) {
        effect.processReplacing(inputPointers.data(), outputPointers.data(), frames);
    } else {
        // The accumulating call adds to what the outputs hold.
        for (auto& output : outputs)
            std::fill_n(output.begin(), frames, 0.0f);
        effect.process(inputPointers.data(), outputPointers.data(), frames);
    }
    std::copy_n(outputs[0].begin(), frames, outLeft);
    std::copy_n(outputs[std::min<std::size_t>(1, outputs.size() - 1)].begin(), frames, outRight);
}

} // namespace host
