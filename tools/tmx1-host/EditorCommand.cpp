#include "tools/tmx1-host/EditorCommand.h"

#include "tools/tmx1-host/ActiveEffect.h"
#include "tools/tmx1-host/DemoSignal.h"
#include "tools/tmx1-host/EditorSession.h"
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
// Audio that fell further behind than this (a stopped process) catches up only this much, rather than
// every missed block being processed at once.
constexpr auto kMostAudioLag = std::chrono::milliseconds(200);

Clock::duration seconds(double value) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(value));
}

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

} // namespace

void showEditor(const EditorRequest& request, std::ostream& out) {
    const InterruptWatch interrupts;
    WindowedEffect windowed(request.pluginPath);
    HostedEffect& effect = windowed.effect();
    applySettings(effect, request.program, request.preset, request.parameters);
    requireEditor(effect);
    if (request.zoom)
        applyEditorZoom(effect, *request.zoom);
    windowed.create();

    // Closed in the reverse order: the audio stops, then the editor closes, then the effect is
    // suspended, as a DAW takes a plug-in out.
    ActiveEffect active(effect, static_cast<float>(kSampleRate), kBlockFrames);
    OpenEditor editor(windowed.window());
    out << "showing " << windowed.window().title() << " (close the window or press Ctrl+C to stop)"
        << std::endl;
    Session session;
    std::int64_t blocks = 0;
    {
        const AudioThread audio(active);
        session = runUntilStopped(&editor, interrupts, request.seconds, [] { return true; });
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
    request.parameters = takeParameterWords(arguments);
    request.seconds = arguments.positiveOption("--seconds");
    if (const std::optional<std::string> zoom = arguments.option("--zoom"))
        request.zoom = parseEditorZoom(*zoom);
    arguments.positionals(0, 0);
    showEditor(request, out);
    return 0;
}

} // namespace host
