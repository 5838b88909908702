#include "clap/ClapPlugin.h"

#include "clap/ClapParameters.h"
#include "clap/ClapState.h"
#include "clap/ClapThunk.h"
#include "dsp/APluginProgram.h"
#include "platform/Locale.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace tmx1 {

namespace {

using clapentry::entry;

void destroy(const clap::clap_plugin* plugin) { delete &ClapPlugin::of(plugin); }

// The effect counts frames in a signed 32-bit integer.
constexpr std::uint32_t kMostFrames = std::numeric_limits<std::int32_t>::max();

} // namespace

ClapPlugin::ClapPlugin(const clap::clap_host* host, const clap::clap_plugin_descriptor* descriptor)
    : host(host) {
    record_ = {descriptor,
               this,
               entry<&ClapPlugin::init>,
               destroy,
               entry<&ClapPlugin::activate>,
               entry<&ClapPlugin::deactivate>,
               entry<&ClapPlugin::startProcessing>,
               entry<&ClapPlugin::stopProcessing>,
               entry<&ClapPlugin::reset>,
               entry<&ClapPlugin::process>,
               entry<&ClapPlugin::extension>,
               entry<&ClapPlugin::onMainThread>};
    for (int i = 0; i < kNumParams; ++i)
        compressor.setParameter(i, kFactoryPrograms[0].values[static_cast<std::size_t>(i)]);
    activeLatency = compressor.latency(); // what a host that never activated would have read
    // The meters cost time, and only a panel shows them.
    compressor.setMetering(false);
    decimalSeparator = platform::userDecimalSeparator();
}

// --- lifecycle

bool ClapPlugin::init() {
    const auto ask = [this](const char* id) { return host->get_extension(host, id); };
    hostLatency = static_cast<const clap::clap_host_latency*>(ask(clap::kExtLatency));
    hostThreadCheck = static_cast<const clap::clap_host_thread_check*>(ask(clap::kExtThreadCheck));
    gui_.init(host);
    return true;
}

bool ClapPlugin::isMainThread() const {
    return hostThreadCheck == nullptr || hostThreadCheck->is_main_thread == nullptr ||
           hostThreadCheck->is_main_thread(host);
}

bool ClapPlugin::activate(double sampleRate, std::uint32_t, std::uint32_t) {
    if (!isMainThread() || !(sampleRate > 0.0 && sampleRate < std::numeric_limits<float>::max()))
        return false;
    compressor.setSampleRate(static_cast<float>(sampleRate));
    compressor.resume();
    // The look-ahead is a time: at another rate it is another count of samples; True Peak adds to it.
    const int latency = compressor.latency();
    if (latency != activeLatency && hostLatency != nullptr && hostLatency->changed != nullptr)
        hostLatency->changed(host);
    activeLatency = latency;
    restartAsked = false;
    return true;
}

void ClapPlugin::deactivate() {
    if (isMainThread())
        compressor.suspend();
}

// --- processing

void ClapPlugin::reset() {
    compressor.suspend();
    compressor.resume();
}

clap::clap_process_status ClapPlugin::process(const clap::clap_process* process) {
    Channels channels{};
    const bool usable = channelsOf(*process, channels);
    const std::uint32_t frames = usable ? process->frames_count : 0;
    const clap::clap_input_events* events = process->in_events;
    const std::uint32_t count = events != nullptr ? events->size(events) : 0;
    std::uint32_t done = 0;
    for (std::uint32_t k = 0; k < count; ++k) {
        const clap::clap_event_header* event = events->get(events, k);
        if (event == nullptr)
            continue;
        // An event out of order or past the block takes effect where the block has got to.
        const std::uint32_t at = std::clamp(event->time, done, frames);
        run(channels, done, at);
        done = at;
        takeEvent(*event);
    }
    run(channels, done, frames);
    if (process->out_events != nullptr)
        gui_.sendEdits(*process->out_events);
    askRestartForLatency();
    return usable ? clap::kProcessContinue : clap::kProcessError;
}

// A host learns a new latency only while it activates the plug-in: a True Peak change, from the host
// or the panel, asks it to restart. The request only raises the host's flag (the interface makes it
// safe from any thread), and it is made once per change.
void ClapPlugin::askRestartForLatency() {
    if (restartAsked || compressor.latency() == activeLatency || host->request_restart == nullptr)
        return;
    restartAsked = true;
    host->request_restart(host);
}

bool ClapPlugin::channelsOf(const clap::clap_process& process, Channels& channels) {
    if (process.audio_inputs_count < 1 || process.audio_outputs_count < 1)
        return false;
    const clap::clap_audio_buffer& in = process.audio_inputs[0];
    clap::clap_audio_buffer& out = process.audio_outputs[0];
    if (in.channel_count < 2 || out.channel_count < 2 || in.data32 == nullptr || out.data32 == nullptr)
        return false;
    channels = {{in.data32[0], in.data32[1]}, {out.data32[0], out.data32[1]}};
    if (channels.in[0] == nullptr || channels.in[1] == nullptr || channels.out[0] == nullptr ||
        channels.out[1] == nullptr)
        return false;
    out.constant_mask = 0;
    return true;
}

// Frames from..to of the block. The parameter changes taken so far start at `from`.
void ClapPlugin::run(const Channels& channels, std::uint32_t from, std::uint32_t to) {
    while (from < to) {
        const std::uint32_t count = std::min(to - from, kMostFrames);
        const float* in[2] = {channels.in[0] + from, channels.in[1] + from};
        float* out[2] = {channels.out[0] + from, channels.out[1] + from};
        compressor.process(in, out, static_cast<std::int32_t>(count));
        from += count;
    }
}

void ClapPlugin::takeEvent(const clap::clap_event_header& event) {
    if (event.space_id != clap::kCoreEventSpace || event.type != clap::kEventParamValue ||
        event.size < sizeof(clap::clap_event_param_value))
        return;
    const auto& change = reinterpret_cast<const clap::clap_event_param_value&>(event);
    if (!clapparams::isOffered(change.param_id))
        return;
    const int index = static_cast<int>(change.param_id);
    compressor.setParameter(index, clapparams::normalisedOf(index, change.value));
    gui_.parametersChanged();
}

// --- audio ports: one stereo pair in, one out, which may be the same buffers

std::uint32_t ClapPlugin::audioPortCount(bool) const { return 1; }

bool ClapPlugin::audioPortInfo(std::uint32_t index, bool isInput, clap::clap_audio_port_info* info) const {
    if (index != 0)
        return false;
    *info = {};
    info->id = 0;
    std::snprintf(info->name, sizeof info->name, "%s", isInput ? "Input" : "Output");
    info->flags = clap::kAudioPortIsMain;
    info->channel_count = 2;
    info->port_type = clap::kPortStereo;
    info->in_place_pair = 0;
    return true;
}

// --- parameters

std::uint32_t ClapPlugin::paramCount() const { return clapparams::kCount; }

bool ClapPlugin::paramInfo(std::uint32_t index, clap::clap_param_info* info) const {
    if (!clapparams::isOffered(index))
        return false;
    *info = clapparams::describe(static_cast<int>(index));
    return true;
}

bool ClapPlugin::paramValue(clap::clap_id id, double* value) const {
    if (!clapparams::isOffered(id))
        return false;
    const int index = static_cast<int>(id);
    *value = clapparams::plainOf(index, compressor.parameter(index));
    return true;
}

bool ClapPlugin::valueToText(clap::clap_id id, double value, char* text, std::uint32_t capacity) const {
    if (!clapparams::isOffered(id) || capacity == 0)
        return false;
    const std::string shown = clapparams::textOf(static_cast<int>(id), value, decimalSeparator);
    std::snprintf(text, capacity, "%s", shown.c_str());
    return true;
}

bool ClapPlugin::textToValue(clap::clap_id id, const char* text, double* value) const {
    if (!clapparams::isOffered(id) || text == nullptr)
        return false;
    const std::optional<double> plain = clapparams::plainOfText(static_cast<int>(id), text, decimalSeparator);
    if (!plain)
        return false;
    *value = *plain;
    return true;
}

void ClapPlugin::flush(const clap::clap_input_events* in, const clap::clap_output_events* out) {
    const std::uint32_t count = in != nullptr ? in->size(in) : 0;
    for (std::uint32_t k = 0; k < count; ++k)
        if (const clap::clap_event_header* event = in->get(in, k))
            takeEvent(*event);
    if (out != nullptr)
        gui_.sendEdits(*out);
}

// --- latency

std::uint32_t ClapPlugin::latency() const { return static_cast<std::uint32_t>(compressor.latency()); }

// --- state

bool ClapPlugin::save(const clap::clap_ostream* stream) const {
    ClapState state;
    state.program = program.load(std::memory_order_relaxed);
    for (int i = 0; i < kNumParams; ++i)
        state.values[static_cast<std::size_t>(i)] = compressor.parameter(i);
    const ClapState::Bytes bytes = state.encode();
    // A host may take fewer bytes than offered at a time.
    for (std::size_t done = 0; done < bytes.size();) {
        const std::int64_t wrote = stream->write(stream, bytes.data() + done, bytes.size() - done);
        if (wrote <= 0)
            return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

bool ClapPlugin::load(const clap::clap_istream* stream) {
    if (!isMainThread())
        return false;
    // One byte more than a state holds tells a longer stream, which is not ours.
    std::array<std::uint8_t, ClapState::kSize + 1> bytes{};
    std::size_t got = 0;
    while (got < bytes.size()) {
        const std::int64_t read = stream->read(stream, bytes.data() + got, bytes.size() - got);
        if (read < 0)
            return false;
        if (read == 0)
            break;
        got += static_cast<std::size_t>(read);
    }
    const std::optional<ClapState> state = ClapState::decode(std::span(bytes.data(), got));
    if (!state)
        return false;
    program.store(state->program, std::memory_order_relaxed);
    for (int i = 0; i < kNumParams; ++i)
        compressor.setParameter(i, state->values[static_cast<std::size_t>(i)]);
    gui_.parametersChanged();
    return true;
}

// --- extensions

namespace {

constexpr clap::clap_plugin_audio_ports kAudioPorts{entry<&ClapPlugin::audioPortCount>,
                                                    entry<&ClapPlugin::audioPortInfo>};

constexpr clap::clap_plugin_params kParams{entry<&ClapPlugin::paramCount>,  entry<&ClapPlugin::paramInfo>,
                                           entry<&ClapPlugin::paramValue>,  entry<&ClapPlugin::valueToText>,
                                           entry<&ClapPlugin::textToValue>, entry<&ClapPlugin::flush>};

constexpr clap::clap_plugin_latency kLatency{entry<&ClapPlugin::latency>};

constexpr clap::clap_plugin_state kState{entry<&ClapPlugin::save>, entry<&ClapPlugin::load>};

} // namespace

const void* ClapPlugin::extension(const char* id) const {
    if (id == nullptr)
        return nullptr;
    const std::string_view name(id);
    if (name == clap::kExtAudioPorts)
        return &kAudioPorts;
    if (name == clap::kExtParams)
        return &kParams;
    if (name == clap::kExtLatency)
        return &kLatency;
    if (name == clap::kExtState)
        return &kState;
    if (name == clap::kExtGui)
        return ClapGui::guiRecord();
    if (name == clap::kExtTimerSupport)
        return ClapGui::timerRecord();
    return nullptr;
}

} // namespace tmx1
