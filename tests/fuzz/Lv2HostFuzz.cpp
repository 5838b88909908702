// The LV2 plug-in as a host drives it: the input is an instantiation at any rate and a sequence of
// host calls through the descriptor, each legal by the interface's rules (run only while activated
// with every port connected; buffers as long as any block) but in any order and with any port values.
// After every run the outputs are finite where the inputs were, as far back as the effect delays; at
// the end the latency port equals the delay an impulse takes.
//
// The UI is not driven: it needs an X server.
#include "lv2/PortMap.h"
#include "tests/fuzz/HostFuzzInput.h"

#include <lv2/core/lv2.h>

#include <array>

extern "C" const LV2_Descriptor* lv2_descriptor(std::uint32_t index);

namespace {

using hostfuzz::check;
using hostfuzz::kMostFrames;
using hostfuzz::Reader;
using namespace tmx1::lv2;

// Two channels in, two out, each as long as the longest block; an output may be connected to an input
// (in place).
struct Buffers {
    std::array<std::vector<float>, 4> audio{std::vector<float>(kMostFrames), std::vector<float>(kMostFrames),
                                            std::vector<float>(kMostFrames), std::vector<float>(kMostFrames)};
    std::array<float, kNumPorts> controls{};
};

class Session {
  public:
    Session(Reader& in) : descriptor(*lv2_descriptor(0)) {
        check(lv2_descriptor(1) == nullptr, "a second descriptor");
        rate = hostfuzz::sampleRate(in);
        instance = descriptor.instantiate(&descriptor, rate, "/nowhere/", features);
        check(instance != nullptr, "the plug-in was not made");
        for (int k = 0; k < kNumParameterPorts; ++k)
            buffers.controls[static_cast<std::size_t>(PortOfParameter(k))] =
                ShownPortValue(k, tmx1::kParameters[static_cast<std::size_t>(k)].defaultValue);
    }

    ~Session() {
        if (active)
            descriptor.deactivate(instance);
        descriptor.cleanup(instance);
    }

    void step(Reader& in) {
        switch (in.byte() % 6) {
        case 0:
            connect(in.byte() & 0x80 ? in.word32() : in.byte() % (kNumPorts + 2), in.byte());
            break;
        case 1:
            setControl(in);
            break;
        case 2:
            setActive(true);
            break;
        case 3:
            setActive(false);
            break;
        case 4:
        case 5:
            run(in);
            break;
        }
    }

    // The fixed setting whose delay is known: the defaults with the threshold far above the impulse and
    // no automatic gain; True Peak as the input says. Only at rates a host would use.
    void measureLatency(Reader& in) {
        if (!(rate >= 8000.0 && rate <= 384000.0))
            return;
        for (std::uint32_t port = 0; port < kNumPorts; ++port)
            connect(port, 1); // in place
        buffers.controls[kPortThreshold] = 10.0f;
        buffers.controls[kPortAutoGain] = 0.0f;
        buffers.controls[kPortTruePeak] = in.byte() & 1;
        setActive(false);
        setActive(true);
        std::vector<float>& left = buffers.audio[0];
        std::vector<float>& right = buffers.audio[1];
        std::fill(left.begin(), left.end(), 0.0f);
        std::fill(right.begin(), right.end(), 0.0f);
        descriptor.run(instance, kMostFrames);
        const auto reported = static_cast<std::uint32_t>(buffers.controls[kPortLatency]);
        check(buffers.controls[kPortLatency] == static_cast<float>(reported) && reported < 1000,
              "the latency port holds no look-ahead");
        std::fill(left.begin(), left.end(), 0.0f);
        std::fill(right.begin(), right.end(), 0.0f);
        left[50] = right[50] = 0.1f;
        descriptor.run(instance, reported + 200);
        check(hostfuzz::loudestFrame(left.data(), reported + 200) == 50 + reported,
              "the impulse's delay is not the latency port's");
    }

  private:
    // An input to its own buffer, an output to its own or (in place) to its input's; every other port
    // to its own value. Ports beyond the plug-in's are passed a value too.
    void connect(std::uint32_t port, std::uint8_t choice) {
        void* data = &buffers.controls[port < kNumPorts ? port : 0];
        if (port == kPortOutL || port == kPortOutR) {
            outputBuffer[port - 2] = choice & 1 ? port - 2 : port;
            data = buffers.audio[outputBuffer[port - 2]].data();
        } else if (port < 2) {
            data = buffers.audio[port].data();
        }
        descriptor.connect_port(instance, port, data);
        if (port < kNumPorts)
            connected[port] = true;
    }

    void setActive(bool on) {
        if (on == active)
            return;
        (on ? descriptor.activate : descriptor.deactivate)(instance);
        active = on;
    }

    void setControl(Reader& in) {
        const std::uint32_t port = kFirstParameterPort + in.byte() % (kNumPorts - kFirstParameterPort);
        buffers.controls[port] = static_cast<float>(in.value(-50.0, 5000.0));
    }

    // A host connects every port before it runs; the inputs are the input buffers.
    bool runnable() const {
        for (std::uint32_t port = 0; port < kNumPorts; ++port)
            if (!connected[port])
                return false;
        return true;
    }

    void run(Reader& in) {
        if (!active || !runnable())
            return;
        const std::uint32_t frames = in.count(kMostFrames);
        hostfuzz::fill(in, buffers.audio[0].data(), frames);
        hostfuzz::fill(in, buffers.audio[1].data(), frames);
        const std::vector<bool> owed =
            finiteInputs.owed(buffers.audio[0].data(), buffers.audio[1].data(), frames);
        // What the plug-in leaves unwritten shows as not a number.
        for (const std::size_t out : outputBuffer)
            if (out >= 2)
                std::fill_n(buffers.audio[out].data(), frames, std::numeric_limits<float>::quiet_NaN());
        descriptor.run(instance, frames);
        hostfuzz::FiniteInputs::check(owed, buffers.audio[outputBuffer[0]].data(),
                                      buffers.audio[outputBuffer[1]].data());
    }

    const LV2_Descriptor& descriptor;
    const LV2_Feature* const features[1] = {nullptr};
    double rate = 0.0;
    LV2_Handle instance = nullptr;
    Buffers buffers;
    bool active = false;
    std::array<bool, kNumPorts> connected{};
    std::array<std::size_t, 2> outputBuffer{2, 3};
    hostfuzz::FiniteInputs finiteInputs;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in(data, size);
    Session session(in);
    for (int n = 0; n < hostfuzz::kMostOperations && !in.empty(); ++n)
        session.step(in);
    session.measureLatency(in);
    return 0;
}
