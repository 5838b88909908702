// The CLAP plug-in as a host drives it: the input is a sequence of host calls on one instance made
// through the library's factory, each legal by the interface's rules (which call in which state, from
// which thread) but in any order and with any values. After every block the outputs are finite where
// the inputs were, as far back as the effect delays; a saved state loads into a fresh instance with the same
// values; the latency the host is told at the end equals the delay an impulse takes; the plug-in keeps no
// timer once destroyed.
//
// The panel is created, scaled, sized, shown, idled by its timer and destroyed; where an X server
// is reachable (DISPLAY) it is also given the host's window, or a window id that names nothing.
#include "clap/ClapFactory.h"
#include "clap/ClapInterface.h"
#include "clap/ClapParameters.h"
#include "dsp/APluginProgram.h"
#include "platform/HostWindow.h"
#include "platform/Window.h"
#include "tests/fuzz/HostFuzzInput.h"

#include <array>
#include <cstdlib>
#include <memory>
#include <set>
#include <span>

namespace {

using hostfuzz::check;
using hostfuzz::Reader;
namespace clapparams = tmx1::clapparams;

// The host's window for the panel, one for the whole run (made at first use); none without a display.
platform::HostWindow* hostWindow() {
    static const std::unique_ptr<platform::HostWindow> window = []() -> std::unique_ptr<platform::HostWindow> {
        if (std::getenv("DISPLAY") == nullptr)
            return nullptr;
        try {
            return platform::HostWindow::Create("clap_host_fuzz", 600, 300);
        } catch (const platform::WindowError&) {
            return nullptr;
        }
    }();
    return window.get();
}

// What the plug-in asked of the host.
struct HostRecord {
    bool activating = false;
    std::set<clap::clap_id> timers;
    clap::clap_id nextTimer = 1;
    bool acceptResize = true;
};

HostRecord& recordOf(const clap::clap_host* host) { return *static_cast<HostRecord*>(host->host_data); }

void latencyChanged(const clap::clap_host* host) {
    check(recordOf(host).activating, "the latency changed outside activate");
}
bool isMainThread(const clap::clap_host*) { return true; }
bool isAudioThread(const clap::clap_host*) { return true; }
void requestFlush(const clap::clap_host*) {}
void rescan(const clap::clap_host*, std::uint32_t) {}
void clear(const clap::clap_host*, clap::clap_id, std::uint32_t) {}
bool registerTimer(const clap::clap_host* host, std::uint32_t, clap::clap_id* id) {
    HostRecord& record = recordOf(host);
    *id = record.nextTimer++;
    record.timers.insert(*id);
    return true;
}
bool unregisterTimer(const clap::clap_host* host, clap::clap_id id) {
    return recordOf(host).timers.erase(id) == 1;
}
void hintsChanged(const clap::clap_host*) {}
bool requestResize(const clap::clap_host* host, std::uint32_t, std::uint32_t) {
    return recordOf(host).acceptResize;
}
bool requestShowHide(const clap::clap_host*) { return true; }
void closed(const clap::clap_host*, bool) {}

constexpr clap::clap_host_latency kLatency{latencyChanged};
constexpr clap::clap_host_thread_check kThreadCheck{isMainThread, isAudioThread};
constexpr clap::clap_host_params kParams{rescan, clear, requestFlush};
constexpr clap::clap_host_timer_support kTimers{registerTimer, unregisterTimer};
constexpr clap::clap_host_gui kGui{hintsChanged, requestResize, requestShowHide, requestShowHide, closed};

const void* hostExtension(const clap::clap_host*, const char* id) {
    const std::string_view name(id);
    if (name == clap::kExtLatency)
        return &kLatency;
    if (name == clap::kExtThreadCheck)
        return &kThreadCheck;
    if (name == clap::kExtParams)
        return &kParams;
    if (name == clap::kExtTimerSupport)
        return &kTimers;
    if (name == clap::kExtGui)
        return &kGui;
    return nullptr;
}
void request(const clap::clap_host*) {}

// Parameter events for one block or flush.
struct Events {
    std::vector<clap::clap_event_param_value> values;

    clap::clap_input_events list() const { return {const_cast<Events*>(this), size, get}; }

    static std::uint32_t size(const clap::clap_input_events* list) {
        return static_cast<std::uint32_t>(static_cast<const Events*>(list->ctx)->values.size());
    }
    static const clap::clap_event_header* get(const clap::clap_input_events* list, std::uint32_t index) {
        return &static_cast<const Events*>(list->ctx)->values[index].header;
    }
};

bool ignoreEvent(const clap::clap_output_events*, const clap::clap_event_header*) { return true; }
constexpr clap::clap_output_events kSink{nullptr, ignoreEvent};

clap::clap_event_param_value paramEvent(clap::clap_id id, double value, std::uint32_t time) {
    clap::clap_event_param_value event{};
    event.header = {sizeof event, time, clap::kCoreEventSpace, clap::kEventParamValue, 0};
    event.param_id = id;
    event.note_id = -1;
    event.port_index = event.channel = event.key = -1;
    event.value = value;
    return event;
}

// Any event: mostly parameter values (ids offered or not, any value, any frame), sometimes a gesture
// or an event of another space the plug-in must pass over.
Events eventsOf(Reader& in, std::uint32_t frames) {
    Events events;
    for (std::uint32_t n = in.count(8); n > 0; --n) {
        const std::uint8_t kind = in.byte();
        const clap::clap_id id = kind & 0x80 ? in.word32() : in.byte() % 12;
        const std::uint32_t time = kind & 0x40 ? in.word32() : in.word16() % (frames + 1);
        clap::clap_event_param_value event = paramEvent(id, 0.0, time);
        if ((kind & 0x30) == 0x30) {
            event.header.type = clap::kEventParamGestureBegin;
            event.header.size = sizeof(clap::clap_event_param_gesture);
        } else if ((kind & 0x30) == 0x20) {
            event.header.space_id = 1;
        }
        const clap::clap_param_info info = clapparams::isOffered(id % 10)
                                               ? clapparams::describe(static_cast<int>(id % 10))
                                               : clap::clap_param_info{};
        event.value = in.value(info.min_value, info.max_value);
        events.values.push_back(event);
    }
    return events;
}

// A byte stream the plug-in reads in the chunks the host chooses, failing from a byte on if it likes.
struct InStream {
    std::span<const std::uint8_t> bytes;
    std::size_t chunk;
    std::size_t failAt;
    std::size_t at = 0;
    clap::clap_istream stream{this, read};

    static std::int64_t read(const clap::clap_istream* stream, void* buffer, std::uint64_t size) {
        auto& self = *static_cast<InStream*>(stream->ctx);
        if (self.at >= self.failAt)
            return -1;
        const std::size_t n =
            std::min({static_cast<std::size_t>(size), self.chunk, self.bytes.size() - self.at});
        if (n > 0)
            std::memcpy(buffer, self.bytes.data() + self.at, n);
        self.at += n;
        return static_cast<std::int64_t>(n);
    }
};

struct OutStream {
    std::vector<std::uint8_t> bytes;
    clap::clap_ostream stream{this, write};

    static std::int64_t write(const clap::clap_ostream* stream, const void* buffer, std::uint64_t size) {
        auto& self = *static_cast<OutStream*>(stream->ctx);
        const auto* from = static_cast<const std::uint8_t*>(buffer);
        self.bytes.insert(self.bytes.end(), from, from + size);
        return static_cast<std::int64_t>(size);
    }
};

const clap::clap_plugin_factory& factory() {
    return *static_cast<const clap::clap_plugin_factory*>(tmx1::clapfactory::factory(clap::kPluginFactoryId));
}

// One instance in the states the interface knows, and the host calls each allows.
class Session {
  public:
    Session() {
        host.clap_version = clap::kVersion;
        host.host_data = &record;
        host.name = host.vendor = host.url = host.version = "fuzz";
        host.get_extension = hostExtension;
        host.request_restart = host.request_process = host.request_callback = request;
        plugin = factory().create_plugin(&factory(), &host, tmx1::clapfactory::kPluginId);
        check(plugin != nullptr && plugin->init(plugin), "the plug-in was not made");
        params = extension<clap::clap_plugin_params>(clap::kExtParams);
        state = extension<clap::clap_plugin_state>(clap::kExtState);
        latency = extension<clap::clap_plugin_latency>(clap::kExtLatency);
        gui = extension<clap::clap_plugin_gui>(clap::kExtGui);
        timer = extension<clap::clap_plugin_timer_support>(clap::kExtTimerSupport);
    }

    ~Session() {
        if (processing)
            plugin->stop_processing(plugin);
        if (active)
            plugin->deactivate(plugin);
        plugin->destroy(plugin); // with the panel still made, if it is: the plug-in closes it
        check(record.timers.empty(), "a timer outlived the plug-in");
    }

    void step(Reader& in) {
        switch (in.byte() % 12) {
        case 0:
            activate(in);
            break;
        case 1:
            deactivate();
            break;
        case 2:
            startProcessing();
            break;
        case 3:
            stopProcessing();
            break;
        case 4:
        case 5:
            process(in);
            break;
        case 6:
            flush(in);
            break;
        case 7:
            readParameters(in);
            break;
        case 8:
            saveAndLoadFresh();
            break;
        case 9:
            loadBytes(in);
            break;
        case 10:
            panel(in);
            break;
        case 11:
            if (active)
                plugin->reset(plugin);
            break;
        }
    }

    // The fixed setting whose delay is known: program 0 with the threshold far above the impulse and
    // no automatic gain; True Peak as the input says.
    void measureLatency(Reader& in) {
        stopProcessing();
        deactivate();
        Events events;
        for (int i = 0; i < tmx1::kNumParams; ++i)
            events.values.push_back(paramEvent(
                static_cast<clap::clap_id>(i),
                clapparams::plainOf(i, tmx1::kFactoryPrograms[0].values[static_cast<std::size_t>(i)]), 0));
        events.values[tmx1::kThreshold].value = 10.0;
        events.values[tmx1::kAutoGain].value = 0.0;
        events.values[tmx1::kTruePeak].value = in.byte() & 1;
        const clap::clap_input_events list = events.list();
        params->flush(plugin, &list, &kSink);
        const double rate = std::array{44100.0, 48000.0, 96000.0, 192000.0}[in.byte() % 4];
        record.activating = true;
        check(plugin->activate(plugin, rate, 1, hostfuzz::kMostFrames), "a usual rate was refused");
        record.activating = false;
        active = true;
        const std::uint32_t reported = latency->get(plugin);
        check(reported < 1000, "the latency is beyond any look-ahead");
        startProcessing();
        std::vector<float> left(hostfuzz::kMostFrames), right(hostfuzz::kMostFrames);
        runBlock(left.data(), right.data(), left.data(), right.data(), hostfuzz::kMostFrames, Events{});
        std::fill(left.begin(), left.end(), 0.0f);
        std::fill(right.begin(), right.end(), 0.0f);
        left[50] = right[50] = 0.1f;
        runBlock(left.data(), right.data(), left.data(), right.data(), reported + 200, Events{});
        check(hostfuzz::loudestFrame(left.data(), reported + 200) == 50 + reported,
              "the impulse's delay is not the latency reported");
    }

  private:
    template <typename Extension> const Extension* extension(const char* id) {
        const auto* found = static_cast<const Extension*>(plugin->get_extension(plugin, id));
        check(found != nullptr, "an extension is missing");
        return found;
    }

    void activate(Reader& in) {
        if (active)
            return;
        const double rate = hostfuzz::sampleRate(in);
        maxFrames = 1 + in.count(hostfuzz::kMostFrames - 1);
        record.activating = true;
        active = plugin->activate(plugin, rate, 1, maxFrames);
        record.activating = false;
        if (!(rate > 0.0 && std::isfinite(rate)))
            check(!active, "a rate that is not a positive number was taken");
    }

    void deactivate() {
        if (active && !processing) {
            plugin->deactivate(plugin);
            active = false;
        }
    }

    void startProcessing() {
        if (active && !processing)
            processing = plugin->start_processing(plugin);
    }

    void stopProcessing() {
        if (processing) {
            plugin->stop_processing(plugin);
            processing = false;
        }
    }

    void process(Reader& in) {
        if (!processing)
            return;
        const std::uint32_t frames = in.count(maxFrames);
        const bool inPlace = in.byte() & 1;
        // Buffers of a block without frames are still buffers.
        const std::size_t length = std::max<std::size_t>(frames, 1);
        std::vector<float> inL(length), inR(length), outL, outR;
        hostfuzz::fill(in, inL.data(), frames);
        hostfuzz::fill(in, inR.data(), frames);
        const std::vector<bool> owed = finiteInputs.owed(inL.data(), inR.data(), frames);
        // What the plug-in leaves unwritten shows as not a number.
        if (!inPlace) {
            outL.assign(length, std::numeric_limits<float>::quiet_NaN());
            outR.assign(length, std::numeric_limits<float>::quiet_NaN());
        }
        float* l = inPlace ? inL.data() : outL.data();
        float* r = inPlace ? inR.data() : outR.data();
        runBlock(inL.data(), inR.data(), l, r, frames, eventsOf(in, frames));
        hostfuzz::FiniteInputs::check(owed, l, r);
    }

    void runBlock(float* inL, float* inR, float* outL, float* outR, std::uint32_t frames,
                  const Events& events) {
        const clap::clap_input_events list = events.list();
        float* inputs[2] = {inL, inR};
        float* outputs[2] = {outL, outR};
        const clap::clap_audio_buffer input{inputs, nullptr, 2, 0, 0};
        clap::clap_audio_buffer output{outputs, nullptr, 2, 0, 0};
        const clap::clap_process process{steadyTime, frames, nullptr, &input, &output, 1, 1, &list, &kSink};
        check(plugin->process(plugin, &process) == clap::kProcessContinue, "a block was refused");
        steadyTime += frames;
    }

    void flush(Reader& in) {
        const Events events = eventsOf(in, 0);
        const clap::clap_input_events list = events.list();
        params->flush(plugin, &list, &kSink);
    }

    std::array<double, tmx1::kNumParams> values() const {
        std::array<double, tmx1::kNumParams> values{};
        for (std::uint32_t id = 0; id < values.size(); ++id)
            check(params->get_value(plugin, id, &values[id]), "an offered parameter has no value");
        return values;
    }

    void readParameters(Reader& in) {
        const std::uint32_t id = in.byte() & 0x80 ? in.word32() : in.byte() % 12;
        double value = 0.0;
        check(params->get_value(plugin, id, &value) == clapparams::isOffered(id),
              "get_value and the count disagree");
        char text[64];
        const std::uint32_t capacity = in.byte() % sizeof text;
        if (params->value_to_text(plugin, id, in.value(-50.0, 5000.0), text, capacity)) {
            check(std::memchr(text, 0, capacity) != nullptr, "a parameter's text is not terminated");
            double back = 0.0;
            if (params->text_to_value(plugin, id, text, &back))
                check(std::isfinite(back), "a text became a value that is not finite");
        }
        char typed[16]{};
        for (std::size_t i = 0; i + 1 < sizeof typed; ++i)
            typed[i] = static_cast<char>(in.byte());
        if (params->text_to_value(plugin, id, typed, &value))
            check(std::isfinite(value), "a text became a value that is not finite");
    }

    // A saved state loads into a fresh instance with the same values.
    void saveAndLoadFresh() {
        OutStream saved;
        check(state->save(plugin, &saved.stream), "the state was not saved");
        Session fresh;
        InStream load{saved.bytes, SIZE_MAX, SIZE_MAX};
        check(fresh.state->load(fresh.plugin, &load.stream), "a saved state was refused");
        check(fresh.values() == values(), "a saved state loaded with other values");
    }

    // Any bytes, often after a state's own header so that the values are reached; a refused state
    // changes nothing.
    void loadBytes(Reader& in) {
        std::vector<std::uint8_t> bytes;
        if (in.byte() & 1)
            bytes = {'T', 'M', 'X', '1', 1, 0, 0, 0, static_cast<std::uint8_t>(in.byte() % 12),
                     0,   0,   0,   10,  0, 0, 0};
        for (std::uint32_t n = in.count(64); n > 0; --n)
            bytes.push_back(in.byte());
        const auto before = values();
        InStream load{bytes, 1 + in.count(64), in.byte() & 1 ? in.count(64) : SIZE_MAX};
        if (!state->load(plugin, &load.stream))
            check(values() == before, "a refused state changed the parameters");
    }

    void panel(Reader& in) {
        const std::uint8_t kind = in.byte();
        switch (kind % 9) {
        case 0:
            if (!panelMade)
                panelMade = gui->create(plugin, kind & 0x80 ? "cocoa" : clap::kWindowApiX11, kind & 0x40);
            break;
        case 1:
            if (panelMade) {
                gui->destroy(plugin);
                panelMade = false;
            }
            break;
        case 2:
            gui->set_scale(plugin, in.value(0.5, 4.0));
            break;
        case 3: {
            std::uint32_t width = 0, height = 0;
            if (gui->get_size(plugin, &width, &height))
                check(gui->set_size(plugin, width, height), "the panel refused its own size");
            break;
        }
        case 4:
            gui->set_size(plugin, in.word16(), in.word16());
            break;
        case 5:
            (kind & 0x80 ? gui->show : gui->hide)(plugin);
            break;
        case 6:
            timer->on_timer(plugin, in.byte() % 4);
            break;
        case 7:
            record.acceptResize = kind & 0x80;
            break;
        case 8:
            setParent(in);
            break;
        }
        check(panelMade == !record.timers.empty(), "the panel's timer does not match the panel");
    }

    // The host's own window, or an id that names no window at all; the host pumps its window after.
    void setParent(Reader& in) {
        platform::HostWindow* window = hostWindow();
        if (window == nullptr)
            return;
        clap::clap_window parent{clap::kWindowApiX11, {}};
        parent.x11 = in.byte() & 1 ? in.word32() : reinterpret_cast<std::uintptr_t>(window->Handle());
        gui->set_parent(plugin, &parent);
        window->Pump();
    }

    HostRecord record;
    clap::clap_host host{};
    const clap::clap_plugin* plugin = nullptr;
    const clap::clap_plugin_params* params = nullptr;
    const clap::clap_plugin_state* state = nullptr;
    const clap::clap_plugin_latency* latency = nullptr;
    const clap::clap_plugin_gui* gui = nullptr;
    const clap::clap_plugin_timer_support* timer = nullptr;
    bool active = false;
    bool processing = false;
    bool panelMade = false;
    std::uint32_t maxFrames = 1;
    std::int64_t steadyTime = 0;
    hostfuzz::FiniteInputs finiteInputs;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in(data, size);
    {
        Session session;
        for (int n = 0; n < hostfuzz::kMostOperations && !in.empty(); ++n)
            session.step(in);
        session.measureLatency(in);
    }
    hostfuzz::checkNoDescriptorLeftOpen();
    return 0;
}
