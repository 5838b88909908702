// The audio device on a JACK server (or PipeWire's JACK library, under pw-jack).
#include "platform/AudioDevice.h"

#include <jack/jack.h>

#include <atomic>

namespace platform {
namespace {

// The library reports every failure itself on standard error, in several lines the user cannot act
// on; our exceptions say what went wrong instead.
void quiet(const char*) {}

class JackAudioDevice final : public AudioDevice {
  public:
    explicit JackAudioDevice(const std::string& name) {
        jack_set_error_function(&quiet);
        jack_set_info_function(&quiet);
        jack_status_t status{};
        client = jack_client_open(name.c_str(), JackNoStartServer, &status);
        if (client == nullptr) {
            if ((status & JackServerFailed) != 0)
                throw AudioDeviceError("no JACK server is running (start one, or run under pw-jack)");
            throw AudioDeviceError("the JACK server refused the client \"" + name + "\"");
        }
        try {
            registerPorts();
            registerCallbacks();
        } catch (...) {
            jack_client_close(client);
            throw;
        }
    }
    ~JackAudioDevice() override {
        Stop();
        jack_client_close(client);
    }
    JackAudioDevice(const JackAudioDevice&) = delete;
    JackAudioDevice& operator=(const JackAudioDevice&) = delete;

    std::string Name() const override { return jack_get_client_name(client); }
    AudioFormat Format() const override { return {sampleRate.load(), blockFrames.load()}; }

    void Start(AudioProcessor& calling) override {
        if (active)
            return;
        processor = &calling;
        if (jack_activate(client) != 0)
            throw AudioDeviceError("the JACK server would not start calling us");
        active = true;
    }
    void Stop() override {
        if (!active)
            return;
        jack_deactivate(client); // returns once the process callback is done and will not come again
        active = false;
    }
    bool Lost() const override { return lost.load(); }
    void SetLatency(int frames) override {
        if (latencyFrames.exchange(frames) != frames && active)
            jack_recompute_total_latencies(client);
    }

  private:
    void registerPorts() {
        const char* names[] = {"in_L", "in_R", "out_L", "out_R"};
        for (int i = 0; i < 4; ++i) {
            ports[i] = jack_port_register(client, names[i], JACK_DEFAULT_AUDIO_TYPE,
                                          i < 2 ? JackPortIsInput : JackPortIsOutput, 0);
            if (ports[i] == nullptr)
                throw AudioDeviceError(std::string("the JACK server refused the port ") + names[i]);
        }
    }
    void registerCallbacks() {
        sampleRate.store(static_cast<int>(jack_get_sample_rate(client)));
        blockFrames.store(static_cast<int>(jack_get_buffer_size(client)));
        if (jack_set_process_callback(client, &JackAudioDevice::process, this) != 0 ||
            jack_set_sample_rate_callback(client, &JackAudioDevice::rateChanged, this) != 0 ||
            jack_set_buffer_size_callback(client, &JackAudioDevice::sizeChanged, this) != 0 ||
            jack_set_latency_callback(client, &JackAudioDevice::latency, this) != 0)
            throw AudioDeviceError("the JACK server refused our callbacks");
        jack_on_info_shutdown(client, &JackAudioDevice::shutDown, this);
    }

    static int process(jack_nframes_t frames, void* self) {
        auto& device = *static_cast<JackAudioDevice*>(self);
        const auto buffer = [&](int port) {
            return static_cast<float*>(jack_port_get_buffer(device.ports[port], frames));
        };
        device.processor->Process(
            {buffer(0), buffer(1), buffer(2), buffer(3), static_cast<int>(frames), device.sampleRate.load()});
        return 0;
    }
    static int rateChanged(jack_nframes_t rate, void* self) {
        static_cast<JackAudioDevice*>(self)->sampleRate.store(static_cast<int>(rate));
        return 0;
    }
    static int sizeChanged(jack_nframes_t frames, void* self) {
        static_cast<JackAudioDevice*>(self)->blockFrames.store(static_cast<int>(frames));
        return 0;
    }
    // Each output is as late as its input plus our delay (capture: what flows out to a recorder);
    // each input as early as its output's playback latency plus our delay (what flows on to the
    // speakers).
    static void latency(jack_latency_callback_mode_t mode, void* self) {
        auto& device = *static_cast<JackAudioDevice*>(self);
        const auto delay = static_cast<jack_nframes_t>(device.latencyFrames.load());
        for (int channel = 0; channel < 2; ++channel) {
            jack_port_t* input = device.ports[channel];
            jack_port_t* output = device.ports[channel + 2];
            jack_latency_range_t range{};
            jack_port_get_latency_range(mode == JackCaptureLatency ? input : output, mode, &range);
            range.min += delay;
            range.max += delay;
            jack_port_set_latency_range(mode == JackCaptureLatency ? output : input, mode, &range);
        }
    }
    static void shutDown(jack_status_t, const char*, void* self) {
        static_cast<JackAudioDevice*>(self)->lost.store(true);
    }

    AudioProcessor* processor = nullptr; // set before the calls begin
    jack_client_t* client = nullptr;
    jack_port_t* ports[4] = {};
    bool active = false;
    // Written by the server's threads, read by the audio thread and the program's.
    std::atomic<int> sampleRate{0};
    std::atomic<int> blockFrames{0};
    std::atomic<bool> lost{false};
    std::atomic<int> latencyFrames{0}; // set by the program, read by the server's latency call
};

} // namespace

std::unique_ptr<AudioDevice> AudioDevice::Open(const std::string& name) {
    return std::make_unique<JackAudioDevice>(name);
}

} // namespace platform
