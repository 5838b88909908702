#include "tools/tmx1-host/SnapshotCommand.h"

#include "platform/headless/Screen.h"
#include "toolkit/PictureFile.h"
#include "tools/tmx1-host/ActiveEffect.h"
#include "tools/tmx1-host/EditorOnScreen.h"
#include "tools/tmx1-host/EffectSetup.h"
#include "tools/tmx1-host/ParameterWords.h"
#include "platform/PendingFile.h"
#include "tools/tmx1-host/SoundFile.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace host {

namespace {

constexpr int kBlockFrames = 512;
constexpr double kIdlesPerSecond = 30.0; // a DAW's editor idle rate

// The editor, open on a headless screen for as long as this object lives.
class HeadlessEditor {
  public:
    explicit HeadlessEditor(HostedEffect& effect) : effect(effect) {
        vst::ERect* rect = nullptr;
        if (effect.dispatch(vst::effEditGetRect, 0, 0, &rect) == 0 || rect == nullptr)
            throw HostError("the plug-in has no editor to show");
        if (rect->right - rect->left <= 0 || rect->bottom - rect->top <= 0)
            throw HostError("the plug-in reports an empty editor");
        if (openEditorOnScreen(effect.record(), screen) == 0 || screen.WindowCount() == 0)
            throw HostError("the plug-in's editor could not be opened on the headless screen");
        // What the window really is: the screen's own zoom may make it larger than reported before.
        width = screen.LastWindow().Width();
        height = screen.LastWindow().Height();
    }
    ~HeadlessEditor() { effect.dispatch(vst::effEditClose); }
    HeadlessEditor(const HeadlessEditor&) = delete;
    HeadlessEditor& operator=(const HeadlessEditor&) = delete;

    void idle() { effect.dispatch(vst::effEditIdle); }

    // What the screen shows of the editor, as an opaque picture (bottom row first).
    toolkit::TPictureData picture() const {
        const platform::headless::HeadlessWindow& window = screen.LastWindow();
        toolkit::TPictureData result{width, height, false, {}};
        result.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                result.pixels[static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(width) +
                              static_cast<std::size_t>(x)] = 0xff000000u | window.ScreenPixel(x, y);
        return result;
    }

  private:
    HostedEffect& effect;
    platform::headless::Screen screen;
    int width = 0;
    int height = 0;
};

// Plays the file through the effect in blocks, idling the editor about 30 times per second of audio.
void play(HostedEffect& effect, HeadlessEditor& editor, const std::string& path,
          std::optional<double> stopSeconds) {
    SoundReader reader(path);
    ActiveEffect active(effect, static_cast<float>(reader.sampleRate()), kBlockFrames);
    const auto framesPerIdle = static_cast<std::int64_t>(std::lround(reader.sampleRate() / kIdlesPerSecond));
    const std::int64_t stopFrame =
        stopSeconds ? static_cast<std::int64_t>(*stopSeconds * reader.sampleRate()) : reader.frames();
    std::vector<float> inL(kBlockFrames), inR(kBlockFrames), outL(kBlockFrames), outR(kBlockFrames);
    std::int64_t played = 0;
    std::int64_t nextIdle = framesPerIdle;
    while (played < stopFrame) {
        const int want = static_cast<int>(std::min<std::int64_t>(kBlockFrames, stopFrame - played));
        const int got = reader.read(inL.data(), inR.data(), want);
        if (got <= 0)
            break;
        active.process(inL.data(), inR.data(), outL.data(), outR.data(), got);
        played += got;
        if (played >= nextIdle) {
            editor.idle();
            nextIdle += framesPerIdle;
        }
    }
    editor.idle(); // while the effect is still running: suspending it resets its meters
}

} // namespace

void snapshot(const SnapshotRequest& request, std::ostream& out) {
    Host host;
    std::unique_ptr<HostedEffect> effect = openEffect(host, request.pluginPath);
    applySettings(*effect, request.program, request.preset, request.parameters);
    if (request.zoom)
        applyEditorZoom(*effect, *request.zoom);
    HeadlessEditor editor(*effect);
    editor.idle(); // the first idle shows the effect's values
    if (request.audioPath)
        play(*effect, editor, *request.audioPath, request.stopSeconds);

    platform::PendingFile file(request.outputPath);
    try {
        toolkit::SavePng(file.temporaryPath().string(), editor.picture());
    } catch (const toolkit::EPictureError&) {
        throw HostError("cannot write " + request.outputPath);
    }
    file.commit();
    out << "wrote " << request.outputPath << "\n";
}

int runSnapshot(Arguments arguments, const std::string& defaultPlugin, std::ostream& out) {
    SnapshotRequest request;
    request.pluginPath = arguments.option("--plugin").value_or(defaultPlugin);
    request.program = arguments.option("--program");
    request.preset = arguments.option("--preset");
    request.parameters = takeParameterWords(arguments);
    request.audioPath = arguments.option("--audio");
    request.stopSeconds = arguments.positiveOption("--at");
    if (const std::optional<std::string> zoom = arguments.option("--zoom"))
        request.zoom = parseEditorZoom(*zoom);
    if (request.stopSeconds && !request.audioPath)
        throw UsageError("--at needs --audio");
    request.outputPath = arguments.positionals(1, 1)[0];
    snapshot(request, out);
    return 0;
}

} // namespace host
