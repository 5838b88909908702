// The host side of the VST 2.x interface, as a DAW has it: a callback that answers the effect's
// requests (and remembers the first of them, for tests), and effects driven only through their record.
#pragma once

#include "tools/tmx1-host/PluginLibrary.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace host {

struct HostRequest {
    vst::Int32 opcode;
    vst::Int32 index;
    vst::IntPtr value;
    float opt;
    bool fromEffect; // false when the effect passed no record (only audioMasterVersion does)
};

struct HostOptions {
    vst::IntPtr versionAnswer = 2400;
    std::string vendor = "Brindlow Audio";
    std::string product = "tmx1-host";
    // Called after each request from an effect has been logged, on the thread that made it, before it is
    // answered: a test's stand-in for what a DAW does on a request (read the parameters again, say).
    std::function<void(vst::AEffect* effect, vst::Int32 opcode)> onRequest = nullptr;
    // Gives the editor's window a new client size when the effect asks for one; true when done.
    // Without it the host refuses, as a host with fixed editor windows does.
    std::function<bool(int width, int height)> onSizeWindow = nullptr;
};

class Host {
  public:
    explicit Host(HostOptions options = {}) : options(std::move(options)) {}
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Calls the library's entry with our callback; answers the effect's record, or null when the
    // entry created none.
    vst::AEffect* instantiate(const PluginLibrary& library);

    // A copy of the log: effects may call the host from their own threads while we read it.
    std::vector<HostRequest> requests() const;
    void clearRequests();

    // Plug-ins that ask for the time info on every block would otherwise grow the log without end
    // during a long render; later requests are still answered, only not remembered.
    static constexpr std::size_t kRequestLogCapacity = 4096;

  private:
    static vst::IntPtr callback(vst::AEffect* effect, vst::Int32 opcode, vst::Int32 index, vst::IntPtr value,
                                void* ptr, float opt);
    vst::IntPtr answer(vst::Int32 opcode, vst::Int32 index, vst::IntPtr value, void* ptr);

    void remember(const HostRequest& request);

    HostOptions options;
    mutable std::mutex logMutex;
    std::vector<HostRequest> log;
};

// One effect instance, closed (effClose) when this object goes.
class HostedEffect {
  public:
    // Throws HostError when the entry returns no effect or a record without the VST magic.
    HostedEffect(Host& host, std::shared_ptr<const PluginLibrary> library);
    ~HostedEffect();
    HostedEffect(const HostedEffect&) = delete;
    HostedEffect& operator=(const HostedEffect&) = delete;

    vst::AEffect& record() { return *effect; }
    vst::IntPtr dispatch(vst::Int32 opcode, vst::Int32 index = 0, vst::IntPtr value = 0, void* ptr = nullptr,
                         float opt = 0.0f);
    // A request that writes text into a buffer we provide (zeroed, generously sized).
    std::string text(vst::Int32 opcode, vst::Int32 index = 0);
    void setParameter(vst::Int32 index, float value) { effect->setParameter(effect, index, value); }
    float getParameter(vst::Int32 index) { return effect->getParameter(effect, index); }
    void process(float** inputs, float** outputs, vst::Int32 frames) {
        effect->process(effect, inputs, outputs, frames);
    }
    void processReplacing(float** inputs, float** outputs, vst::Int32 frames) {
        effect->processReplacing(effect, inputs, outputs, frames);
    }
    // Sends effClose now and answers its result; the destructor then does nothing.
    vst::IntPtr close();

  private:
    std::shared_ptr<const PluginLibrary> library; // keeps the code loaded while the effect lives
    vst::AEffect* effect = nullptr;
};

} // namespace host
