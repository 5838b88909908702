#include "tools/tmx1-host/EditorSession.h"

#include "tools/tmx1-host/EffectSetup.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace host {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kIdleInterval = std::chrono::microseconds(1'000'000 / 30); // a DAW's editor idle rate
// The window for an effect that knows its editor's size only once the editor is open.
constexpr int kProvisionalWidth = 400;
constexpr int kProvisionalHeight = 300;

// A signal carries no user data: the handler notes it here. Reset when a watch begins.
std::atomic<bool> interruptNoted{false};
void noteInterrupt() { interruptNoted.store(true); }

// The handler for a new watch, with nothing noted yet: a request before the handler is in place ends the
// process as usual, one after it is kept.
void (*freshHandler())() {
    interruptNoted.store(false);
    return &noteInterrupt;
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
std::string titleOf(HostedEffect& effect, const std::string& path) {
    std::string name = effect.text(vst::effGetEffectName);
    if (name.empty())
        name = effect.text(vst::effGetProductString);
    if (name.empty())
        name = std::filesystem::path(path).stem().string();
    const std::string vendor = effect.text(vst::effGetVendorString);
    return vendor.empty() ? name : name + " — " + vendor;
}

Clock::duration seconds(double value) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(value));
}

} // namespace

InterruptWatch::InterruptWatch() : handler(freshHandler()) {}

bool InterruptWatch::interrupted() const { return interruptNoted.load(); }

void EditorWindow::connect(HostOptions& options) {
    options.onSizeWindow = [this](int width, int height) {
        if (window == nullptr)
            return false;
        window->Resize(width, height);
        return true;
    };
}

void requireEditor(HostedEffect& effect) {
    if ((effect.record().flags & vst::effFlagsHasEditor) == 0)
        throw HostError("the plug-in has no editor to show");
}

void EditorWindow::create(HostedEffect& shown, const std::string& pluginPath) {
    requireEditor(shown);
    const EditorSize size = editorSize(shown).value_or(EditorSize{kProvisionalWidth, kProvisionalHeight});
    windowTitle = titleOf(shown, pluginPath);
    window = platform::HostWindow::Create(windowTitle, size.width, size.height);
    effect = &shown;
}

OpenEditor::OpenEditor(EditorWindow& shown) : shown(shown) {
    // An empty window would look like a plug-in that draws nothing: say so instead.
    if (shown.effect->dispatch(vst::effEditOpen, 0, 0, shown.window->Handle()) == 0)
        throw HostError("the plug-in could not open its editor in our window");
    if (const std::optional<EditorSize> size = editorSize(*shown.effect))
        shown.window->Resize(size->width, size->height);
}

OpenEditor::~OpenEditor() { shown.effect->dispatch(vst::effEditClose); }

bool OpenEditor::pump() { return shown.window->Pump(); }

void OpenEditor::idle() { shown.effect->dispatch(vst::effEditIdle); }

WindowedEffect::WindowedEffect(const std::string& pluginPath)
    : path(pluginPath), host(optionsFor(shown)), opened(openEffect(host, pluginPath)) {}

HostOptions WindowedEffect::optionsFor(EditorWindow& shown) {
    HostOptions options;
    shown.connect(options);
    return options;
}

const char* describe(StopReason reason) {
    switch (reason) {
    case StopReason::windowClosed:
        return "the window was closed";
    case StopReason::interrupted:
        return "interrupted";
    case StopReason::audioStopped:
        return "the audio server went away";
    case StopReason::timeUp:
        break;
    }
    return "time is up";
}

Session runUntilStopped(OpenEditor* shown, const InterruptWatch& interrupts, std::optional<double> limit,
                        const std::function<bool()>& audioGoesOn) {
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = limit ? start + seconds(*limit) : Clock::time_point::max();
    Session session;
    Clock::time_point next = start;
    while (true) {
        if (shown != nullptr && !shown->pump()) {
            session.reason = StopReason::windowClosed;
            break;
        }
        if (interrupts.interrupted()) {
            session.reason = StopReason::interrupted;
            break;
        }
        if (!audioGoesOn()) {
            session.reason = StopReason::audioStopped;
            break;
        }
        if (Clock::now() >= end)
            break;
        if (shown != nullptr) {
            shown->idle();
            ++session.idles;
        }
        next = std::max(next + kIdleInterval, Clock::now() - kIdleInterval); // a slow idle is not caught up
        std::this_thread::sleep_until(std::min(next, end));
    }
    session.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return session;
}

} // namespace host
