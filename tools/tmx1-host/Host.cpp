#include "tools/tmx1-host/Host.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace host {

namespace {

// While an entry runs, the effect has no record we could recognise yet (or passes none), so the
// callback finds its host here. Set only around the entry call, on the calling thread.
thread_local Host* hostBeingAsked = nullptr;

void copyInto(void* ptr, const std::string& text, std::size_t capacity) {
    const std::size_t length = std::min(text.size(), capacity - 1);
    std::memcpy(ptr, text.data(), length);
    static_cast<char*>(ptr)[length] = '\0';
}

} // namespace

vst::AEffect* Host::instantiate(const PluginLibrary& library) {
    Host* previous = std::exchange(hostBeingAsked, this);
    vst::AEffect* effect = library.entry()(&Host::callback);
    hostBeingAsked = previous;
    if (effect != nullptr && effect->magic == vst::kEffectMagic)
        effect->user = this;
    return effect;
}

vst::IntPtr Host::callback(vst::AEffect* effect, vst::Int32 opcode, vst::Int32 index, vst::IntPtr value,
                           void* ptr, float opt) {
    Host* host =
        (effect != nullptr && effect->user != nullptr) ? static_cast<Host*>(effect->user) : hostBeingAsked;
    if (host == nullptr)
        return 0;
    host->remember({opcode, index, value, opt, effect != nullptr});
    if (host->options.onRequest && effect != nullptr)
        host->options.onRequest(effect, opcode);
    return host->answer(opcode, index, value, ptr);
}

void Host::remember(const HostRequest& request) {
    const std::lock_guard lock(logMutex);
    if (log.size() < kRequestLogCapacity)
        log.push_back(request);
}

std::vector<HostRequest> Host::requests() const {
    const std::lock_guard lock(logMutex);
    return log;
}

void Host::clearRequests() {
    const std::lock_guard lock(logMutex);
    log.clear();
}

vst::IntPtr Host::answer(vst::Int32 opcode, vst::Int32 index, vst::IntPtr value, void* ptr) {
    constexpr std::size_t kHostStringCapacity = 64;
    switch (opcode) {
    case vst::audioMasterVersion:
        return options.versionAnswer;
    case vst::audioMasterGetVendorString:
        if (ptr == nullptr)
            return 0;
        copyInto(ptr, options.vendor, kHostStringCapacity);
        return 1;
    case vst::audioMasterGetProductString:
        if (ptr == nullptr)
            return 0;
        copyInto(ptr, options.product, kHostStringCapacity);
        return 1;
    case vst::audioMasterSizeWindow:
        return options.onSizeWindow && index > 0 && value > 0 &&
                       options.onSizeWindow(index, static_cast<int>(std::min<vst::IntPtr>(value, 1 << 16)))
                   ? 1
                   : 0;
    default:
        return 0;
    }
}

HostedEffect::HostedEffect(Host& host, std::shared_ptr<const PluginLibrary> library)
    : library(std::move(library)) {
    effect = host.instantiate(*this->library);
    if (effect == nullptr)
        throw HostError(this->library->path() + ": the entry returned no effect");
    if (effect->magic != vst::kEffectMagic) {
        effect = nullptr; // not a record we may call into
        throw HostError(this->library->path() + ": the entry returned a record without the VST magic");
    }
}

HostedEffect::~HostedEffect() { close(); }

vst::IntPtr HostedEffect::close() {
    if (effect == nullptr)
        return 0;
    const vst::IntPtr result = effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
    effect = nullptr;
    return result;
}

vst::IntPtr HostedEffect::dispatch(vst::Int32 opcode, vst::Int32 index, vst::IntPtr value, void* ptr,
                                   float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string HostedEffect::text(vst::Int32 opcode, vst::Int32 index) {
    char buffer[512] = {};
    dispatch(opcode, index, 0, buffer);
    buffer[sizeof buffer - 1] = '\0';
    return buffer;
}

} // namespace host
