// The LV2 plug-in as a host drives it: the input is an instantiation at any rate and a sequence of
// host calls through the descriptor, each legal by the interface's rules (run only while activated
// with every port connected; buffers as long as any block) but in any order and with any port values.
// After every run the outputs are finite where the inputs were, as far back as the effect delays; at
// the end the latency port equals the delay an impulse takes.
//
// The panel's UI comes and goes among the calls, on the headless screen, as the host drives it: port
// events of any port and value, the host's notifications after each run, idles, and a user's mouse and
// keys. It writes only finite values to its own control ports, every control it grabs is let go by the
// time it goes, and it leaves no window behind.
#include "lv2/PortMap.h"
#include "lv2/ui/PanelUi.h"
#include "platform/headless/Screen.h"
#include "tests/fuzz/HeadlessUser.h"
#include "tests/fuzz/HostFuzzInput.h"

#include <lv2/core/lv2.h>

#include <array>
#include <memory>

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
        closeUi();
        check(screen.WindowCount() == 0, "a window stays after the UI's cleanup");
        if (active)
            descriptor.deactivate(instance);
        descriptor.cleanup(instance);
    }

    void step(Reader& in) {
        switch (in.byte() % 9) {
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
        case 6:
            ui ? closeUi() : openUi(in);
            break;
        case 7:
            portEvent(in);
            break;
        case 8:
            useUi(in);
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

    void openUi(Reader& in) {
        tmx1::lv2::PanelUiHost host;
        host.parent = platform::ParentWindow::Headless(screen);
        host.writePort = [this](int port, float value) { uiWrote(port, value); };
        const bool resizable = in.byte() & 1;
        host.resize = [resizable](int, int) { return resizable; };
        host.touch = [this](int port, bool grabbed) { uiTouched(port, grabbed); };
        host.hostScale = in.value(0.0, 4.0);
        ui = std::make_unique<tmx1::lv2::PanelUi>(std::move(host));
    }

    void closeUi() {
        ui.reset();
        for (const int held : grabs)
            check(held == 0, "the UI went with a control still grabbed");
    }

    // The host reports a port: any port, any value, or every control port as after a run.
    void portEvent(Reader& in) {
        if (!ui)
            return;
        if (in.byte() & 1) {
            notifyUi();
            return;
        }
        const std::uint32_t port = in.byte() & 0x80 ? in.word32() : in.byte() % (kNumPorts + 2);
        ui->PortEvent(static_cast<int>(port), static_cast<float>(in.value(-50.0, 5000.0)));
    }

    void notifyUi() {
        for (int port = kFirstParameterPort; port < kNumPorts; ++port)
            ui->PortEvent(port, buffers.controls[static_cast<std::size_t>(port)]);
    }

    // The host's idle, after the panel's clock moved on, or the user at the panel.
    void useUi(Reader& in) {
        if (!ui || screen.WindowCount() == 0)
            return;
        const std::uint8_t what = in.byte();
        if (what & 1) {
            screen.LastWindow().AdvanceClock(what >> 1);
            check(ui->Idle(), "the UI's window is gone while the host holds it");
        } else {
            hostfuzz::actAsUser(in, screen.LastWindow(), [&in] { return static_cast<int>(in.word32()); });
        }
    }

    // What the panel writes, the host puts into the port it names.
    void uiWrote(int port, float value) {
        check(ParameterOfPort(port) >= 0 || port == kPortOcAck,
              "the UI wrote to a port that is not one of its controls");
        check(std::isfinite(value), "the UI wrote a value that is not finite");
        buffers.controls[static_cast<std::size_t>(port)] = value;
    }

    void uiTouched(int port, bool grabbed) {
        check(ParameterOfPort(port) >= 0, "the UI grabbed a port that is not a parameter's");
        int& held = grabs[static_cast<std::size_t>(port)];
        held += grabbed ? 1 : -1;
        check(held == 0 || held == 1, "the UI let go of a control it did not hold, or grabbed it twice");
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
        if (ui)
            notifyUi();
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
    platform::headless::Screen screen;
    std::unique_ptr<tmx1::lv2::PanelUi> ui;
    std::array<int, kNumPorts> grabs{};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in(data, size);
    {
        Session session(in);
        for (int n = 0; n < hostfuzz::kMostOperations && !in.empty(); ++n)
            session.step(in);
        session.measureLatency(in);
    }
    hostfuzz::checkNoDescriptorLeftOpen();
    return 0;
}
