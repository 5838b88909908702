// An effect playing in real time on the audio server's thread: every block the server hands over goes
// through the effect, which was told the server's sample rate and block size before it was resumed.
// When the server changes either, the program's thread prepares the effect again (follow()); until then
// larger blocks go through in pieces of the size it was prepared for, and blocks at another rate come
// out silent rather than processed at the wrong rate.
#pragma once

#include "platform/AudioDevice.h"
#include "tools/tmx1-host/ActiveEffect.h"

#include <atomic>
#include <memory>

namespace host {

class LiveEffect final : public platform::AudioProcessor {
  public:
    // Prepares and resumes the effect for `format`; throws HostError as ActiveEffect does.
    LiveEffect(HostedEffect& effect, platform::AudioFormat format);
    LiveEffect(const LiveEffect&) = delete;
    LiveEffect& operator=(const LiveEffect&) = delete;

    // On the server's real-time thread.
    void Process(const platform::AudioBlock& block) noexcept override;

    // On the program's thread, while blocks may come: when the last block's rate or size is not the one
    // the effect is prepared for, suspends it, prepares it for that one and resumes it (the blocks
    // meanwhile come out silent). True when it did.
    bool follow();

    // What the effect is prepared for, and the latency it reported then, in frames.
    platform::AudioFormat format() const { return prepared; }
    int latency() const { return active->latency(); }

  private:
    void prepare(platform::AudioFormat format);
    // Makes the audio thread pass silence and waits until no block is inside the effect.
    void pause();

    HostedEffect& effect;
    std::unique_ptr<ActiveEffect> active; // changed only while paused
    platform::AudioFormat prepared;       // likewise
    // Whether the audio thread may use `active`, and whether it is doing so now (a pause waits for it).
    std::atomic<bool> ready{false};
    std::atomic<bool> inside{false};
    // The last block's format, as the audio thread saw it.
    std::atomic<int> seenRate{0};
    std::atomic<int> seenFrames{0};
};

} // namespace host
