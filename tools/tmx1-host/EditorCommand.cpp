#include "tools/tmx1-host/EditorCommand.h"

#include "platform/HostWindow.h"
#include "platform/Interrupt.h"
#include "tools/tmx1-host/ActiveEffect.h"
#include "tools/tmx1-host/DemoSignal.h"
#include "tools/tmx1-host/EffectSetup.h"
#include "tools/tmx1-host/ParameterWords.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <iomanip>
#include <thread>
#include <vector>

namespace host {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSampleRate = 44100;
constexpr int kBlockFrames = 512;
constexpr auto kIdleInterval = std::chrono::microseconds(1'000'000 / 30); // a DAW's editor idle rate
// Audio that fell further behind than this (a stopped process) catches up only this much, rather than
// every missed block being processed at once.
constexpr auto kMostAudioLag = std::chrono::milliseconds(200);
// The window for an effect that knows its editor's size only once the editor is open.
constexpr int kProvisionalWidth = 400;
constexpr int kProvisionalHeight = 300;

// Written only by the signal handler (and reset before it is installed).
std::atomic<bool> interrupted{false};
void noteInterrupt() { interrupted.store(true); }

Clock::duration seconds(double value) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(value));
}

struct EditorSize {
    int width = 0;
    int height = 0;
};

// The size the effect reports for its editor, when it reports a usable one.
std::optional<EditorSize> editorSize(HostedEffect& effect) {
    vst::ERect* rect = nullptr;
    effect.dispatch(vst::effEditGetRect, 0, 0, &rect); // some effects fill in the rectangle but answer 0
    if (rect == nullptr || rect->right <= rect->left || rect->bottom <= rect->top)
        return std::nullopt;
    return EditorSize{rect->right - rect->left, rect->bottom - rect->top};
}

// "TMX-1 — Brindlow Audio", from what the effect says of itself; its file's name when it says nothing.
std::string windowTitle(HostedEffect& effect, const std::string& path) {
    std::string name = effect.text(vst::effGetEffectName);
    if (name.empty())
        name = effect.text(vst::effGetProductString);
    if (name.empty())
        name = std::filesystem::path(path).stem().string();
    const std::string vendor = effect.text(vst::effGetVendorString);
    return vendor.empty() ? name : name + " — " + vendor;
}

// The effect's editor, open in the host's window for as long as this object lives.
class OpenEditor {
  public:
    OpenEditor(HostedEffect& effect, platform::HostWindow& window) : effect(effect) {
        // An empty window would look like a plug-in that draws nothing: say so instead.
        if (effect.dispatch(vst::effEditOpen, 0, 0, window.Handle()) == 0)
            throw HostError("the plug-in could not open its editor in our window");
        if (const std::optional<EditorSize> size = editorSize(effect))
            window.Resize(size->width, size->height);
    }
    ~OpenEditor() { effect.dispatch(vst::effEditClose); }
    OpenEditor(const OpenEditor&) = delete;
    OpenEditor& operator=(const OpenEditor&) = delete;

    void idle() { effect.dispatch(vst::effEditIdle); }

  private:
    HostedEffect& effect;
};

// The demo signal, looping through the effect on a thread of its own at the pace a sound card asks for
// blocks: each block is processed when it falls due. The output goes nowhere; the editor's meters
// show what the effect does.
class AudioThread {
  public:
    explicit AudioThread(ActiveEffect& active)
        : active(active), demo(kSampleRate), thread([this] { run(); }) {}
    ~AudioThread() {
        stopping.store(true);
        thread.join();
    }
    AudioThread(const AudioThread&) = delete;
    AudioThread& operator=(const AudioThread&) = delete;

    std::int64_t blocks() const { return played.load(); }

  private:
    void run() {
        const StereoSignal& signal = demo.signal();
        std::vector<float> inLeft(kBlockFrames), inRight(kBlockFrames), outLeft(kBlockFrames),
            outRight(kBlockFrames);
        const Clock::duration blockTime = seconds(double(kBlockFrames) / kSampleRate);
        Clock::time_point due = Clock::now();
        std::size_t at = 0;
        while (!stopping.load()) {
            std::this_thread::sleep_until(due);
            for (int i = 0; i < kBlockFrames; ++i, at = (at + 1) % signal.frames()) {
                inLeft[i] = signal.left[at];
                inRight[i] = signal.right[at];
            }
            active.process(inLeft.data(), inRight.data(), outLeft.data(), outRight.data(), kBlockFrames);
            played.fetch_add(1);
            due = std::max(due + blockTime, Clock::now() - kMostAudioLag);
        }
    }

    ActiveEffect& active;
    DemoSignal demo;
    std::atomic<bool> stopping{false};
    std::atomic<std::int64_t> played{0};
    std::thread thread; // last: starts once everything it uses exists
};

enum class StopReason { windowClosed, interrupted, timeUp };

struct Session {
    StopReason reason = StopReason::timeUp;
    int idles = 0;
    double seconds = 0.0;
};

// Idles the editor about 30 times a second on this thread, as a DAW's user interface does, until the
// window is closed, Ctrl+C is pressed or the time is up.
Session idleUntilStopped(platform::HostWindow& window, OpenEditor& editor, std::optional<double> limit) {
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = limit ? start + seconds(*limit) : Clock::time_point::max();
    Session session;
    Clock::time_point next = start;
    while (true) {
        if (!window.Pump()) {
            session.reason = StopReason::windowClosed;
            break;
        }
        if (interrupted.load()) {
            session.reason = StopReason::interrupted;
            break;
        }
        if (Clock::now() >= end)
            break;
        editor.idle();
        ++session.idles;
        next = std::max(next + kIdleInterval, Clock::now() - kIdleInterval); // a slow idle is not caught up
        std::this_thread::sleep_until(std::min(next, end));
    }
    session.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return session;
}

const char* describe(StopReason reason) {
    switch (reason) {
    case StopReason::windowClosed:
        return "the window was closed";
    case StopReason::interrupted:
        return "interrupted";
    case StopReason::timeUp:
        break;
    }
    return "time is up";
}

} // namespace

void showEditor(const EditorRequest& request, std::ostream& out) {
    interrupted.store(false);
    const platform::InterruptHandler interruptHandler(&noteInterrupt);
    // The editor may ask for another size (its zoom changed): our window takes it, as a DAW's does.
    platform::HostWindow* shown = nullptr;
    HostOptions options;
    options.onSizeWindow = [&shown](int width, int height) {
        if (shown == nullptr)
            return false;
        shown->Resize(width, height);
        return true;
    };
    Host host(options);
    std::unique_ptr<HostedEffect> effect = openEffect(host, request.pluginPath);
    applySettings(*effect, request.program, request.preset, request.parameters);
    if ((effect->record().flags & vst::effFlagsHasEditor) == 0)
        throw HostError("the plug-in has no editor to show");
    if (request.zoom)
        applyEditorZoom(*effect, *request.zoom);
    const EditorSize size = editorSize(*effect).value_or(EditorSize{kProvisionalWidth, kProvisionalHeight});
    const std::string title = windowTitle(*effect, request.pluginPath);
    const std::unique_ptr<platform::HostWindow> window =
        platform::HostWindow::Create(title, size.width, size.height);
    shown = window.get();

    // Closed in the reverse order: the audio stops, then the editor closes, then the effect is
    // suspended, as a DAW takes a plug-in out.
    ActiveEffect active(*effect, static_cast<float>(kSampleRate), kBlockFrames);
    OpenEditor editor(*effect, *window);
    out << "showing " << title << " (close the window or press Ctrl+C to stop)" << std::endl;
    Session session;
    std::int64_t blocks = 0;
    {
        const AudioThread audio(active);
        session = idleUntilStopped(*window, editor, request.seconds);
        blocks = audio.blocks();
    }
    out << "stopped, " << describe(session.reason) << ", after " << std::fixed << std::setprecision(1)
        << session.seconds << " s: " << blocks << " blocks of " << kBlockFrames << " frames played, "
        << session.idles << " editor idles\n";
}

int runEditor(Arguments arguments, const std::string& defaultPlugin, std::ostream& out) {
    EditorRequest request;
    request.pluginPath = arguments.option("--plugin").value_or(defaultPlugin);
    request.program = arguments.option("--program");
    request.preset = arguments.option("--preset");
    for (const auto& setting : arguments.optionLists("--param", isParameterSetting))
        request.parameters.push_back(parseParameterWords(setting));
    request.seconds = arguments.positiveOption("--seconds");
    if (const std::optional<std::string> zoom = arguments.option("--zoom"))
        request.zoom = parseEditorZoom(*zoom);
    arguments.positionals(0, 0);
    showEditor(request, out);
    return 0;
}

} // namespace host
