#include "tests/clap/ClapTestHost.h"

#include "clap/ClapFactory.h"
#include "clap/ClapParameters.h"
#include "dsp/APluginProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string_view>

namespace claptest {

namespace {

ClapInstance& instanceOf(const clap::clap_host* host) { return *static_cast<ClapInstance*>(host->host_data); }

void latencyChanged(const clap::clap_host* host) { ++instanceOf(host).latencyChanges; }
bool isMainThread(const clap::clap_host* host) { return instanceOf(host).onMainThread; }
bool isAudioThread(const clap::clap_host* host) { return !instanceOf(host).onMainThread; }

void ignoreRequest(const clap::clap_host*) {}
void restartRequested(const clap::clap_host* host) { ++instanceOf(host).restartRequests; }
void ignoreParams(const clap::clap_host*, std::uint32_t) {}
void ignoreClear(const clap::clap_host*, clap::clap_id, std::uint32_t) {}
void flushRequested(const clap::clap_host* host) { ++instanceOf(host).flushRequests; }
bool resizeRequested(const clap::clap_host* host, std::uint32_t width, std::uint32_t height) {
    instanceOf(host).resizeRequests.emplace_back(width, height);
    return instanceOf(host).acceptResize;
}
bool refuse(const clap::clap_host*) { return false; }
void ignoreClosed(const clap::clap_host*, bool) {}

constexpr clap::clap_host_latency kLatency{latencyChanged};
constexpr clap::clap_host_thread_check kThreadCheck{isMainThread, isAudioThread};
constexpr clap::clap_host_params kParams{ignoreParams, ignoreClear, flushRequested};
constexpr clap::clap_host_gui kGui{ignoreRequest, resizeRequested, refuse, refuse, ignoreClosed};

bool registerTimer(const clap::clap_host* host, std::uint32_t period, clap::clap_id* id) {
    ClapInstance& self = instanceOf(host);
    *id = self.nextTimer++;
    self.timers[*id] = period;
    return true;
}

bool unregisterTimer(const clap::clap_host* host, clap::clap_id id) {
    return instanceOf(host).timers.erase(id) == 1;
}

constexpr clap::clap_host_timer_support kTimers{registerTimer, unregisterTimer};

const void* hostExtension(const clap::clap_host*, const char* id) {
    const std::string_view name(id);
    if (name == clap::kExtLatency)
        return &kLatency;
    if (name == clap::kExtThreadCheck)
        return &kThreadCheck;
    if (name == clap::kExtParams)
        return &kParams;
    if (name == clap::kExtGui)
        return &kGui;
    if (name == clap::kExtTimerSupport)
        return &kTimers;
    return nullptr;
}

// Every event the plug-in sends, kept in the instance.
bool receive(const clap::clap_output_events* list, const clap::clap_event_header* event) {
    auto& sent = static_cast<ClapInstance*>(list->ctx)->sent;
    if (event->type == clap::kEventParamValue) {
        const auto& change = *reinterpret_cast<const clap::clap_event_param_value*>(event);
        sent.push_back({event->type, change.param_id, change.value});
    } else if (event->type == clap::kEventParamGestureBegin || event->type == clap::kEventParamGestureEnd) {
        sent.push_back(
            {event->type, reinterpret_cast<const clap::clap_event_param_gesture*>(event)->param_id});
    } else {
        ADD_FAILURE() << "an event of type " << event->type;
    }
    return true;
}

// Parameter events in the order they were given.
class EventList {
  public:
    explicit EventList(const std::vector<Change>& changes) {
        for (const Change& change : changes) {
            clap::clap_event_param_value event{};
            event.header = {sizeof event, change.frame, clap::kCoreEventSpace, clap::kEventParamValue, 0};
            event.param_id = change.id;
            event.note_id = -1;
            event.port_index = event.channel = event.key = -1;
            event.value = change.value;
            events.push_back(event);
        }
    }
    const clap::clap_input_events* list() const { return &list_; }

  private:
    static std::uint32_t size(const clap::clap_input_events* list) {
        return static_cast<std::uint32_t>(static_cast<const EventList*>(list->ctx)->events.size());
    }
    static const clap::clap_event_header* get(const clap::clap_input_events* list, std::uint32_t index) {
        const auto& events = static_cast<const EventList*>(list->ctx)->events;
        return index < events.size() ? &events[index].header : nullptr;
    }

    std::vector<clap::clap_event_param_value> events;
    clap::clap_input_events list_{this, size, get};
};

struct OutStream {
    std::vector<std::uint8_t> bytes;
    clap::clap_ostream stream{this, write};

    static std::int64_t write(const clap::clap_ostream* stream, const void* buffer, std::uint64_t size) {
        auto& bytes = static_cast<OutStream*>(stream->ctx)->bytes;
        const auto* from = static_cast<const std::uint8_t*>(buffer);
        bytes.insert(bytes.end(), from, from + size);
        return static_cast<std::int64_t>(size);
    }
};

struct InStream {
    std::span<const std::uint8_t> bytes;
    std::size_t chunk;
    long failAt;
    std::size_t at = 0;
    clap::clap_istream stream{this, read};

    static std::int64_t read(const clap::clap_istream* stream, void* buffer, std::uint64_t size) {
        auto& self = *static_cast<InStream*>(stream->ctx);
        if (self.failAt >= 0 && self.at >= static_cast<std::size_t>(self.failAt))
            return -1;
        const std::size_t count =
            std::min({static_cast<std::size_t>(size), self.chunk, self.bytes.size() - self.at});
        if (count == 0)
            return 0;
        std::memcpy(buffer, self.bytes.data() + self.at, count);
        self.at += count;
        return static_cast<std::int64_t>(count);
    }
};

clap::clap_audio_buffer bufferOf(float** channels) { return {channels, nullptr, 2, 0, 0}; }

} // namespace

void ClapInstance::fireTimers() {
    const auto& timerSupport = extension<clap::clap_plugin_timer_support>(clap::kExtTimerSupport);
    const auto held = timers; // a tick may register or unregister one
    for (const auto& [id, period] : held)
        timerSupport.on_timer(plugin_, id);
}

const clap::clap_plugin_entry& loadedEntry() {
    struct Loaded {
        platform::SharedLibrary library{TMX1_CLAP_PATH};
        const clap::clap_plugin_entry* entry =
            static_cast<const clap::clap_plugin_entry*>(library.symbol("clap_entry"));
    };
    static const auto loaded = [] {
        auto made = std::make_unique<Loaded>();
        if (made->entry == nullptr || !made->entry->init(TMX1_CLAP_PATH))
            throw std::runtime_error(std::string(TMX1_CLAP_PATH) + ": no usable clap_entry");
        return made;
    }();
    return *loaded->entry;
}

const clap::clap_plugin_entry& linkedEntry() {
    static const clap::clap_plugin_entry entry{clap::kVersion, tmx1::clapfactory::initLibrary,
                                               tmx1::clapfactory::deinitLibrary, tmx1::clapfactory::factory};
    return entry;
}

std::vector<Change> programChanges(int program) {
    const auto& values = tmx1::kFactoryPrograms[static_cast<std::size_t>(program)].values;
    std::vector<Change> changes;
    for (clap::clap_id id = 0; id < tmx1::clapparams::kCount; ++id)
        changes.push_back({id, tmx1::clapparams::plainOf(static_cast<int>(id), values[id])});
    return changes;
}

ClapInstance::ClapInstance(const clap::clap_plugin_entry& entry) {
    received = {this, receive};
    host = {clap::kVersion, this,          "TMX-1 test host", "Brindlow Audio", "",
            "1.0",          hostExtension, restartRequested,  ignoreRequest,    ignoreRequest};
    const auto* factory =
        static_cast<const clap::clap_plugin_factory*>(entry.get_factory(clap::kPluginFactoryId));
    if (factory != nullptr)
        plugin_ = factory->create_plugin(factory, &host, tmx1::clapfactory::kPluginId);
    if (plugin_ == nullptr || !plugin_->init(plugin_)) {
        ADD_FAILURE() << "the plug-in could not be made";
        throw std::runtime_error("no plug-in");
    }
}

ClapInstance::~ClapInstance() {
    deactivate();
    plugin_->destroy(plugin_);
}

const void* ClapInstance::requireExtension(const char* id) const {
    const void* extension = plugin_->get_extension(plugin_, id);
    if (extension == nullptr)
        throw std::runtime_error(std::string("the plug-in has no extension ") + id);
    return extension;
}

bool ClapInstance::activate(double sampleRate) {
    active = plugin_->activate(plugin_, sampleRate, 1, 4096);
    if (active)
        plugin_->start_processing(plugin_);
    return active;
}

void ClapInstance::deactivate() {
    if (!active)
        return;
    plugin_->stop_processing(plugin_);
    plugin_->deactivate(plugin_);
    active = false;
}

clap::clap_process_status ClapInstance::run(const clap::clap_audio_buffer& in, clap::clap_audio_buffer& out,
                                            std::uint32_t frames, const std::vector<Change>& changes) {
    const EventList events(changes);
    const clap::clap_process process{steadyTime, frames, nullptr, &in, &out, 1, 1, events.list(), &received};
    steadyTime += frames;
    return plugin_->process(plugin_, &process);
}

clap::clap_process_status ClapInstance::process(const Stereo& in, Stereo& out,
                                                const std::vector<Change>& changes) {
    out = Stereo(in.frames());
    float* inputs[2] = {const_cast<float*>(in.left.data()), const_cast<float*>(in.right.data())};
    float* outputs[2] = {out.left.data(), out.right.data()};
    clap::clap_audio_buffer inBuffer = bufferOf(inputs), outBuffer = bufferOf(outputs);
    return run(inBuffer, outBuffer, static_cast<std::uint32_t>(in.frames()), changes);
}

clap::clap_process_status ClapInstance::processInPlace(Stereo& audio, const std::vector<Change>& changes) {
    float* channels[2] = {audio.left.data(), audio.right.data()};
    clap::clap_audio_buffer in = bufferOf(channels), out = bufferOf(channels);
    return run(in, out, static_cast<std::uint32_t>(audio.frames()), changes);
}

void ClapInstance::flush(const std::vector<Change>& changes) {
    const EventList events(changes);
    const auto& params = extension<clap::clap_plugin_params>(clap::kExtParams);
    params.flush(plugin_, events.list(), &received);
}

double ClapInstance::value(clap::clap_id id) const {
    double value = -1.0;
    EXPECT_TRUE(extension<clap::clap_plugin_params>(clap::kExtParams).get_value(plugin_, id, &value)) << id;
    return value;
}

std::string ClapInstance::text(clap::clap_id id, double value) const {
    char shown[64] = {};
    EXPECT_TRUE(extension<clap::clap_plugin_params>(clap::kExtParams)
                    .value_to_text(plugin_, id, value, shown, sizeof shown))
        << id;
    return shown;
}

std::vector<std::uint8_t> ClapInstance::saveState() const {
    OutStream out;
    EXPECT_TRUE(extension<clap::clap_plugin_state>(clap::kExtState).save(plugin_, &out.stream));
    return out.bytes;
}

bool ClapInstance::loadState(std::span<const std::uint8_t> bytes, std::size_t chunk, long failAt) {
    InStream in{bytes, chunk, failAt};
    return extension<clap::clap_plugin_state>(clap::kExtState).load(plugin_, &in.stream);
}

} // namespace claptest
