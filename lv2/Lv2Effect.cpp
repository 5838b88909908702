// The compressor as an LV2 plug-in: glue between the host's ports and the same compressor the other
// formats own. Parameter ports become normalised parameter values, so a port change starts the same
// ramp as a VST parameter change; the meter, over-compression and latency ports copy what the
// compressor reports.
#include "dsp/APluginProgram.h"
#include "dsp/Compressor.h"
#include "lv2/PortMap.h"
#include "platform/PluginModule.h"

#include <lv2/core/lv2.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <limits>
#include <new>

namespace tmx1::lv2 {

namespace {

// Port values are compared as bit patterns: a port left at NaN is not a change at every run.
bool sameValue(float a, float b) {
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

class Lv2Effect {
  public:
    // A port the host leaves unconnected keeps the first factory program's value, as in the other
    // formats.
    explicit Lv2Effect(double sampleRate) {
        for (int i = 0; i < kNumParams; ++i)
            effect.setParameter(i, kFactoryPrograms[0].values[static_cast<std::size_t>(i)]);
        effect.setSampleRate(static_cast<float>(sampleRate));
    }

    void connect(std::uint32_t port, void* data) {
        if (port < kNumPorts)
            ports[port] = static_cast<float*>(data);
    }

    void activate() { effect.resume(); }
    void deactivate() { effect.suspend(); }

    // The host's audio thread: no allocation, lock or system call from here on.
    void run(std::uint32_t frames) {
        applyChangedPorts();
        acknowledgeOverCompression();
        process(frames);
        publish();
        firstRun = false;
    }

  private:
    void applyChangedPorts() {
        for (int k = 0; k < kNumParameterPorts; ++k) {
            const float* port = ports[static_cast<std::size_t>(PortOfParameter(k))];
            if (port == nullptr)
                continue;
            float& applied = appliedValue[static_cast<std::size_t>(k)];
            if (!firstRun && sameValue(*port, applied))
                continue;
            applied = *port;
            effect.setParameter(k, NormalisedOf(k, applied));
        }
    }

    // The UI writes a new value after each time it showed the over-compression state, as the VST
    // editor bridge acknowledges after each idle.
    void acknowledgeOverCompression() {
        const float* port = ports[kPortOcAck];
        if (port == nullptr)
            return;
        if (!firstRun && !sameValue(*port, lastAcknowledge))
            effect.requestOcAcknowledge();
        lastAcknowledge = *port;
    }

    void process(std::uint32_t frames) {
        const float* inputs[2] = {ports[kPortInL], ports[kPortInR]};
        float* outputs[2] = {ports[kPortOutL], ports[kPortOutR]};
        if (frames == 0 || inputs[0] == nullptr || inputs[1] == nullptr || outputs[0] == nullptr ||
            outputs[1] == nullptr) {
            effect.process(inputs, outputs, 0); // parameter changes still take effect
            return;
        }
        // The compressor counts frames in a signed 32-bit integer.
        constexpr std::uint32_t kMostFrames = std::numeric_limits<std::int32_t>::max();
        for (std::uint32_t done = 0; done < frames;) {
            const std::uint32_t count = std::min(frames - done, kMostFrames);
            const float* in[2] = {inputs[0] + done, inputs[1] + done};
            float* out[2] = {outputs[0] + done, outputs[1] + done};
            effect.process(in, out, static_cast<std::int32_t>(count));
            done += count;
        }
    }

    void publish() {
        write(kPortLatency, static_cast<float>(effect.latency()));
        for (int k = 0; k < kNumMeterPorts; ++k)
            write(kFirstMeterPort + k, effect.meterValue(kMeterInL + k));
        write(kPortOverCompression, effect.isOcLatched() ? 1.0f : 0.0f);
    }

    void write(int port, float value) {
        if (float* data = ports[static_cast<std::size_t>(port)])
            *data = value;
    }

    Compressor effect;
    std::array<float*, kNumPorts> ports{};
    std::array<float, kNumParameterPorts> appliedValue{};
    float lastAcknowledge = 0.0f;
    bool firstRun = true;
};

Lv2Effect* self(LV2_Handle instance) { return static_cast<Lv2Effect*>(instance); }

LV2_Handle instantiate(const LV2_Descriptor*, double sampleRate, const char*, const LV2_Feature* const*) {
    try {
        return new Lv2Effect(sampleRate);
    } catch (...) {
        return nullptr;
    }
}

void connectPort(LV2_Handle instance, std::uint32_t port, void* data) { self(instance)->connect(port, data); }
void activate(LV2_Handle instance) { self(instance)->activate(); }
void run(LV2_Handle instance, std::uint32_t frames) { self(instance)->run(frames); }
void deactivate(LV2_Handle instance) { self(instance)->deactivate(); }
void cleanup(LV2_Handle instance) { delete self(instance); }
const void* extensionData(const char*) { return nullptr; }

constexpr LV2_Descriptor kDescriptor{kPluginUri, instantiate, connectPort, activate,
                                     run,        deactivate,  cleanup,     extensionData};

} // namespace

} // namespace tmx1::lv2

extern "C" TMX1_ENTRY const LV2_Descriptor* lv2_descriptor(std::uint32_t index) {
    return index == 0 ? &tmx1::lv2::kDescriptor : nullptr;
}
