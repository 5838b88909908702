// One instance of the effect as a CLAP plug-in: glue between the host's calls and the same
// Compressor the other formats run. Parameter events become setParameter calls with the normalised
// value the VST parameter would hold; an event inside a block splits the block there, so that the
// change starts its ramp at the event's frame.
//
// Threads, as the interface names them: the lifecycle, the parameter reads and texts, the state and
// the extension queries come from the host's main thread; process, reset and (while active) flush
// from its audio thread. The two share only the Compressor's own atomic fields, `program` and the
// panel's edit queue and update flag (clap/ClapGui.h).
#pragma once

#include "clap/ClapGui.h"
#include "clap/ClapInterface.h"
#include "dsp/Compressor.h"

#include <atomic>
#include <cstdint>

namespace tmx1 {

class ClapPlugin {
  public:
    // Starts at factory program 0, as the VST effect does. The host is not called before init.
    ClapPlugin(const clap::clap_host* host, const clap::clap_plugin_descriptor* descriptor);
    ClapPlugin(const ClapPlugin&) = delete;
    ClapPlugin& operator=(const ClapPlugin&) = delete;

    const clap::clap_plugin* record() const { return &record_; }
    static ClapPlugin& of(const clap::clap_plugin* plugin) {
        return *static_cast<ClapPlugin*>(plugin->plugin_data);
    }

    // --- lifecycle
    bool init();
    bool activate(double sampleRate, std::uint32_t minFrames, std::uint32_t maxFrames);
    void deactivate();
    bool startProcessing() { return true; }
    void stopProcessing() {}
    const void* extension(const char* id) const;
    void onMainThread() {}

    // --- processing
    void reset();
    clap::clap_process_status process(const clap::clap_process* process);

    // --- audio ports
    std::uint32_t audioPortCount(bool isInput) const;
    bool audioPortInfo(std::uint32_t index, bool isInput, clap::clap_audio_port_info* info) const;

    // --- parameters
    std::uint32_t paramCount() const;
    bool paramInfo(std::uint32_t index, clap::clap_param_info* info) const;
    bool paramValue(clap::clap_id id, double* value) const;
    bool valueToText(clap::clap_id id, double value, char* text, std::uint32_t capacity) const;
    bool textToValue(clap::clap_id id, const char* text, double* value) const;
    void flush(const clap::clap_input_events* in, const clap::clap_output_events* out);

    // --- latency
    std::uint32_t latency() const;

    // --- state
    bool save(const clap::clap_ostream* stream) const;
    bool load(const clap::clap_istream* stream);

    // --- the panel (clap.gui, clap.timer-support)
    ClapGui& gui() { return gui_; }

  private:
    struct Channels {
        const float* in[2];
        float* out[2];
    };

    // Main-thread calls that change the instance are refused from another thread when the host can
    // tell; hosts that cannot are trusted.
    bool isMainThread() const;
    void takeEvent(const clap::clap_event_header& event);
    static bool channelsOf(const clap::clap_process& process, Channels& channels);
    void run(const Channels& channels, std::uint32_t from, std::uint32_t to);
    void askRestartForLatency();

    Compressor compressor;
    const clap::clap_host* host;
    clap::clap_plugin record_;
    const clap::clap_host_latency* hostLatency = nullptr;
    const clap::clap_host_thread_check* hostThreadCheck = nullptr;
    // The latency the host was given at the last activation (written there, read by process), and
    // whether a restart has been asked for since because True Peak changed it.
    int activeLatency = 0;
    bool restartAsked = false;
    // The factory program that the panel's recall returns to and the state keeps.
    std::atomic<int> program{0};
    char decimalSeparator = '.';
    ClapGui gui_{compressor, program};
};

} // namespace tmx1
