// A CLAP host of our own for the tests: it makes an instance from a library's entry and drives it
// through the interface's records alone, as a DAW does. It offers the plug-in the extensions a DAW
// offers (latency, thread check, parameters, the plug-in window's requests, timers) and notes what the
// plug-in tells it through them and every event it sends.
#pragma once

#include "clap/ClapInterface.h"
#include "platform/SharedLibrary.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace claptest {

// The built TMX-1.clap, loaded with the system's loader and initialised once for the test program.
const clap::clap_plugin_entry& loadedEntry();
// The same entry's functions as linked into this program, where the tests can reach the process-wide
// state of the effect (the dither sequence).
const clap::clap_plugin_entry& linkedEntry();

// A parameter change at a frame of the block, as a host's automation sends it: a plain value.
struct Change {
    clap::clap_id id;
    double value;
    std::uint32_t frame = 0;
};

// A factory program as a host sends it: each offered parameter's plain value, at the block's start.
std::vector<Change> programChanges(int program);

// An event the plug-in sent the host: a parameter value (with its plain value) or a gesture's begin or
// end.
struct SentEvent {
    std::uint16_t type;
    clap::clap_id param;
    double value = 0.0;
};

// Two channels of audio for a block.
struct Stereo {
    std::vector<float> left, right;

    explicit Stereo(std::size_t frames = 0) : left(frames), right(frames) {}
    std::size_t frames() const { return left.size(); }
};

class ClapInstance {
  public:
    // Creates the entry's plug-in and initialises it; fails the test (and throws) when either is
    // refused.
    explicit ClapInstance(const clap::clap_plugin_entry& entry);
    ~ClapInstance();
    ClapInstance(const ClapInstance&) = delete;
    ClapInstance& operator=(const ClapInstance&) = delete;

    const clap::clap_plugin& plugin() const { return *plugin_; }
    template <typename Extension> const Extension& extension(const char* id) const {
        return *static_cast<const Extension*>(requireExtension(id));
    }

    bool activate(double sampleRate);
    void deactivate();

    // One block through the main ports, with the changes as parameter events (in frame order).
    clap::clap_process_status process(const Stereo& in, Stereo& out, const std::vector<Change>& changes = {});
    // The same with the output written over the input, as a host that processes in place does.
    clap::clap_process_status processInPlace(Stereo& audio, const std::vector<Change>& changes = {});
    // Changes outside processing, through the parameters' flush.
    void flush(const std::vector<Change>& changes);

    double value(clap::clap_id id) const;
    std::string text(clap::clap_id id, double value) const;

    std::vector<std::uint8_t> saveState() const;
    // The host's stream hands the plug-in at most `chunk` bytes per read; a negative `failAt` makes
    // every read from that byte on fail.
    bool loadState(std::span<const std::uint8_t> bytes, std::size_t chunk = SIZE_MAX, long failAt = -1);

    // The host's timers fire once, each that the plug-in holds.
    void fireTimers();

    // What the plug-in told the host.
    int latencyChanges = 0;
    int restartRequests = 0;
    int flushRequests = 0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> resizeRequests;
    std::vector<SentEvent> sent;
    // The plug-in's timers: each one's id and period in ms.
    std::map<clap::clap_id, std::uint32_t> timers;
    clap::clap_id nextTimer = 1;
    // What the host answers a request to resize the plug-in's window.
    bool acceptResize = true;
    // What the host answers when asked whether the caller is on its main thread.
    bool onMainThread = true;

  private:
    const void* requireExtension(const char* id) const;
    clap::clap_process_status run(const clap::clap_audio_buffer& in, clap::clap_audio_buffer& out,
                                  std::uint32_t frames, const std::vector<Change>& changes);

    clap::clap_host host{};
    clap::clap_output_events received{};
    const clap::clap_plugin* plugin_ = nullptr;
    bool active = false;
    std::int64_t steadyTime = 0;
};

} // namespace claptest
