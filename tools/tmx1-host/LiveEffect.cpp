#include "tools/tmx1-host/LiveEffect.h"

#include <algorithm>
#include <thread>

namespace host {

LiveEffect::LiveEffect(HostedEffect& effect, platform::AudioFormat format) : effect(effect) {
    prepare(format);
}

void LiveEffect::prepare(platform::AudioFormat format) {
    active =
        std::make_unique<ActiveEffect>(effect, static_cast<float>(format.sampleRate), format.blockFrames);
    prepared = format;
    seenRate.store(format.sampleRate);
    seenFrames.store(format.blockFrames);
    ready.store(true);
}

void LiveEffect::Process(const platform::AudioBlock& block) noexcept {
    // Sequentially consistent with pause(): either it sees us inside, or we see that it paused us.
    inside.store(true);
    seenRate.store(block.sampleRate);
    seenFrames.store(block.frames);
    if (!ready.load() || block.sampleRate != prepared.sampleRate) {
        std::fill_n(block.outLeft, block.frames, 0.0f);
        std::fill_n(block.outRight, block.frames, 0.0f);
    } else {
        for (int done = 0; done < block.frames;) {
            const int frames = std::min(block.frames - done, prepared.blockFrames);
            active->process(block.inLeft + done, block.inRight + done, block.outLeft + done,
                            block.outRight + done, frames);
            done += frames;
        }
    }
    inside.store(false);
}

void LiveEffect::pause() {
    ready.store(false);
    while (inside.load())
        std::this_thread::yield();
}

bool LiveEffect::follow() {
    const platform::AudioFormat seen{seenRate.load(), seenFrames.load()};
    if ((seen.sampleRate == prepared.sampleRate && seen.blockFrames == prepared.blockFrames) ||
        seen.sampleRate <= 0 || seen.blockFrames <= 0)
        return false;
    pause();
    active.reset(); // suspends the effect before it hears of the new format
    prepare(seen);
    return true;
}

} // namespace host
