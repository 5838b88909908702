#include "tools/tmx1-host/LiveCommand.h"

#include "platform/AudioDevice.h"
#include "tools/tmx1-host/EditorSession.h"
#include "tools/tmx1-host/EffectSetup.h"
#include "tools/tmx1-host/LastSettings.h"
#include "tools/tmx1-host/LiveEffect.h"
#include "tools/tmx1-host/ParameterWords.h"

#include <iomanip>
#include <optional>
#include <vector>

namespace host {

namespace {

constexpr const char* kClientName = "TMX-1";

struct LiveRequest {
    std::string pluginPath;
    std::optional<std::string> program;
    std::optional<std::string> preset;
    std::vector<ParameterSetting> parameters;
    bool window = true;
    std::optional<int> zoom;
    std::optional<double> seconds;
};

// The server's calls into the effect, for as long as this object lives.
class Playing {
  public:
    Playing(platform::AudioDevice& device, LiveEffect& live) : device(device) { device.Start(live); }
    ~Playing() { device.Stop(); }
    Playing(const Playing&) = delete;
    Playing& operator=(const Playing&) = delete;

  private:
    platform::AudioDevice& device;
};

// The program, preset and parameters the user asked for, or else the ones left last time.
void setUp(HostedEffect& effect, const LiveRequest& request, std::ostream& out) {
    if (!request.program && !request.preset && request.parameters.empty()) {
        if (restoreSettings(effect))
            out << "settings of last time restored" << std::endl;
        return;
    }
    applySettings(effect, request.program, request.preset, request.parameters);
}

void reportFormat(const LiveEffect& live, std::ostream& out) {
    out << live.format().sampleRate << " Hz, " << live.format().blockFrames << " frames per block, latency "
        << live.latency() << " frames" << std::endl;
}

StopReason play(const LiveRequest& request, std::ostream& out) {
    // No server, no reason to load anything: the user hears of it at once.
    const std::unique_ptr<platform::AudioDevice> device = platform::AudioDevice::Open(kClientName);
    const InterruptWatch interrupts;
    WindowedEffect windowed(request.pluginPath);
    HostedEffect& effect = windowed.effect();
    setUp(effect, request, out);
    if (request.window) {
        requireEditor(effect);
        if (request.zoom)
            applyEditorZoom(effect, *request.zoom);
        windowed.create();
    }

    // Taken out in the reverse order, as a DAW takes a plug-in out: the audio stops, then the editor
    // closes, then the effect is suspended.
    LiveEffect live(effect, device->Format());
    device->SetLatency(live.latency());
    std::optional<OpenEditor> editor;
    if (request.window)
        editor.emplace(windowed.window());
    Session session;
    {
        const Playing playing(*device, live);
        out << "playing on JACK as \"" << device->Name() << "\": ";
        reportFormat(live, out);
        out << (request.window ? "close the window" : "press Ctrl+C") << " to stop" << std::endl;
        session = runUntilStopped(editor ? &*editor : nullptr, interrupts, request.seconds, [&] {
            if (device->Lost())
                return false;
            if (live.follow()) {
                out << "the server changed its format: ";
                reportFormat(live, out);
            }
            device->SetLatency(live.latency()); // the rate or True Peak may have changed it
            return true;
        });
    }
    editor.reset();
    if (!keepSettings(effect))
        out << "the settings could not be kept for the next start" << std::endl;
    out << "stopped, " << describe(session.reason) << ", after " << std::fixed << std::setprecision(1)
        << session.seconds << " s" << std::endl;
    return session.reason;
}

} // namespace

int runLive(Arguments arguments, const std::string& defaultPlugin, std::ostream& out) {
    LiveRequest request;
    request.pluginPath = arguments.option("--plugin").value_or(defaultPlugin);
    request.program = arguments.option("--program");
    request.preset = arguments.option("--preset");
    request.parameters = takeParameterWords(arguments);
    request.window = !arguments.flag("--no-gui");
    if (const std::optional<std::string> zoom = arguments.option("--zoom"))
        request.zoom = parseEditorZoom(*zoom);
    request.seconds = arguments.positiveOption("--seconds");
    arguments.positionals(0, 0);
    if (request.zoom && !request.window)
        throw UsageError("--zoom is for the window, not with --no-gui");
    return play(request, out) == StopReason::audioStopped ? 1 : 0;
}

} // namespace host
