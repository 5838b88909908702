// Times one effect processing a looped stereo signal in fixed blocks, in rounds, so that two
// timers can take turns and a burst of load elsewhere spoils single rounds, not the result.
#pragma once

#include "tools/tmx1-host/ActiveEffect.h"
#include "tools/tmx1-host/DemoSignal.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace host {

class ProcessingTimer {
  public:
    static constexpr int kSampleRate = 44100;
    static constexpr int kBlockFrames = 512;
    static constexpr int kBlocksPerRound = 32;

    // Loads and starts the effect at `pluginPath` with its default settings; `signal` must outlive
    // the timer and be at kSampleRate.
    ProcessingTimer(const std::string& pluginPath, const StereoSignal& signal);
    // The same, with `setUp` run on the opened effect before it is switched on (a program, the
    // editor opened and closed).
    ProcessingTimer(const std::string& pluginPath, const StereoSignal& signal,
                    const std::function<void(HostedEffect&)>& setUp);

    // Called before every block with the block's number, as a host playing an automation lane sends a
    // value before almost every block.
    void setBeforeBlock(std::function<void(HostedEffect&, long)> hook) { beforeBlock = std::move(hook); }

    // Processes one round without timing it, to fill caches and settle the effect.
    void warmUp();
    void timeRound();

    // The median cost over the timed rounds, in nanoseconds per stereo frame.
    double nanosecondsPerFrame() const;
    double realTimeFactor() const;

  private:
    void processRound();

    const StereoSignal& signal;
    Host host;
    std::unique_ptr<HostedEffect> effect;
    std::unique_ptr<ActiveEffect> active;
    std::vector<float> outLeft, outRight;
    std::size_t position = 0;
    long blocks = 0;
    std::function<void(HostedEffect&, long)> beforeBlock;
    std::vector<double> roundCosts;
};

} // namespace host
