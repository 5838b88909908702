// The panel of a CLAP instance: the host's `clap.gui` calls for an embedded window (X11 on Linux, Win32
// on Windows; never floating) over the same panel session the other formats run, idled by the host's
// timer. The panel's edits set the effect at once and wait in a queue for the host, which receives
// them as parameter events (a gesture's begin, its values, its end) at its next process or flush; the
// host's own changes raise a flag the panel reads at its next idle.
//
// Threads: everything here runs on the host's main thread except parametersChanged (any thread) and
// sendEdits (the thread that hands the host its events: process, or flush).
//
// The panel idles only from the host's timer; a host without timers gets no panel (create refuses).
#pragma once

#include "clap/ClapEditQueue.h"
#include "clap/ClapInterface.h"
#include "dsp/Compressor.h"
#include "editor/PanelSession.h"

#include <atomic>
#include <cstdint>

namespace tmx1 {

class ClapGui : private PanelHost {
  public:
    // program: the instance's current program, which the panel's recall restores.
    ClapGui(Compressor& compressor, const std::atomic<int>& program);
    ~ClapGui() override;
    ClapGui(const ClapGui&) = delete;
    ClapGui& operator=(const ClapGui&) = delete;

    static ClapGui& of(const clap::clap_plugin* plugin);
    static const clap::clap_plugin_gui* guiRecord();
    static const clap::clap_plugin_timer_support* timerRecord();

    // The host's extensions the panel needs, asked for in the plug-in's init.
    void init(const clap::clap_host* host);

    // --- clap.gui
    bool isApiSupported(const char* api, bool isFloating) const;
    bool preferredApi(const char** api, bool* isFloating) const;
    bool create(const char* api, bool isFloating);
    void destroy();
    bool setScale(double scale);
    bool size(std::uint32_t* width, std::uint32_t* height) const;
    // One size for each zoom, chosen in the panel's menu or by the host's scale: never dragged.
    bool canResize() const { return false; }
    bool resizeHints(clap::clap_gui_resize_hints*) const { return false; }
    bool adjustSize(std::uint32_t* width, std::uint32_t* height) const;
    bool setSize(std::uint32_t width, std::uint32_t height);
    bool setParent(const clap::clap_window* window);
    bool setTransient(const clap::clap_window*) { return false; }
    void suggestTitle(const char*) {}
    bool show();
    bool hide();

    // --- clap.timer-support
    void onTimer(clap::clap_id timer);

    // --- for the plug-in
    // The host changed a parameter or loaded a state: the open panel shows it at its next idle.
    void parametersChanged() { updated.store(true, std::memory_order_release); }
    // Hands the panel's queued edits to the host.
    void sendEdits(const clap::clap_output_events& out) { edits.drainInto(out); }

  private:
    // PanelHost: the effect read directly; the edits into the effect and the queue.
    void SendParameter(int index, float value) override;
    void BeginEdit(int index) override;
    void EndEdit(int index) override;
    bool TakeParameterUpdate() override { return updated.exchange(false, std::memory_order_acq_rel); }
    void ReadParameters(std::array<float, kNumParams>& values) override;
    int CurrentProgram() override { return program.load(std::memory_order_relaxed); }
    PanelMeters ReadMeters() override;
    bool OverCompressionLatched() override { return compressor.isOcLatched(); }
    // Every idle: the effect may clear the latch once the lamp has been shown, lit or not.
    void OverCompressionShown(bool) override { compressor.requestOcAcknowledge(); }
    bool RequestSize(int width, int height) override;
    double HostScale() const override { return hostScale; }

    void queue(const ClapEdit& edit);
    bool isCurrentSize(std::uint32_t width, std::uint32_t height) const;

    Compressor& compressor;
    const std::atomic<int>& program;
    const clap::clap_host* host = nullptr;
    const clap::clap_host_gui* hostGui = nullptr;
    const clap::clap_host_timer_support* hostTimers = nullptr;
    const clap::clap_host_params* hostParams = nullptr;
    bool created = false;
    bool shown = true;
    clap::clap_id timer = clap::kInvalidId; // while created
    double hostScale = 0.0;                 // set_scale's, 0 before the host gives one
    std::atomic<bool> updated{false};
    ClapEditQueue edits;
    PanelSession session{*this};
};

} // namespace tmx1
