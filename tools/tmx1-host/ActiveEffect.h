// An effect switched on for processing, as a DAW drives it: told the sample rate and the largest
// block, then resumed; suspended again when this object goes. The effect is opened and set up
// (program, parameters) before, so that it starts processing with its settings in place. Takes
// stereo blocks whatever the effect's own channel count.
#pragma once

#include "tools/tmx1-host/Host.h"

#include <vector>

namespace host {

class ActiveEffect {
  public:
    // Throws HostError when the effect has no outputs or the block size is not positive.
    ActiveEffect(HostedEffect& effect, float sampleRate, int maxBlockFrames);
    ~ActiveEffect();
    ActiveEffect(const ActiveEffect&) = delete;
    ActiveEffect& operator=(const ActiveEffect&) = delete;

    // The latency the effect reported once resumed at our rate, in frames.
    int latency() const;
    int maxBlockFrames() const { return maxFrames; }

    // Processes up to maxBlockFrames() frames. Inputs beyond the second get silence; a mono effect
    // output goes to both channels.
    void process(const float* inLeft, const float* inRight, float* outLeft, float* outRight, int frames);

  private:
    void resizeChannels(std::vector<std::vector<float>>& buffers, std::vector<float*>& pointers, int count);

    HostedEffect& effect;
    int maxFrames;
    bool replacing;
    std::vector<std::vector<float>> inputs, outputs;
    std::vector<float*> inputPointers, outputPointers;
};

} // namespace host
