// What `editor` and `live` share around an effect that plays: its editor in a window of our own on the
// desktop, sized and resized as the editor asks, and the loop that idles it at a DAW's rate until the
// window is closed, the user presses Ctrl+C, the time is up or the audio stops.
#pragma once

#include "platform/HostWindow.h"
#include "platform/Interrupt.h"
#include "tools/tmx1-host/Host.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace host {

// Ctrl+C and termination requests, noted instead of ending the process while this object lives.
class InterruptWatch {
  public:
    InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    bool interrupted() const;

  private:
    platform::InterruptHandler handler;
};

// Throws HostError when the effect has no editor to show.
void requireEditor(HostedEffect& effect);

// The window of the host's own that shows an effect's editor.
class EditorWindow {
  public:
    // Gives the host of the effect the way to resize this window once it exists (the editor's zoom
    // changed): the window takes the size, as a DAW's does. The window must outlive that host.
    void connect(HostOptions& options);

    // Makes the window, titled after the effect and as large as its editor says; throws HostError for an
    // effect without an editor, platform::WindowError without a display.
    void create(HostedEffect& effect, const std::string& pluginPath);

    const std::string& title() const { return windowTitle; }

  private:
    friend class OpenEditor;
    HostedEffect* effect = nullptr;
    std::unique_ptr<platform::HostWindow> window;
    std::string windowTitle;
};

// The effect's editor, open in its window for as long as this object lives.
class OpenEditor {
  public:
    // Throws HostError when the effect cannot open its editor there.
    explicit OpenEditor(EditorWindow& shown);
    ~OpenEditor();
    OpenEditor(const OpenEditor&) = delete;
    OpenEditor& operator=(const OpenEditor&) = delete;

    // Handles the window's events without blocking; false once the user has closed it.
    bool pump();
    void idle();

  private:
    EditorWindow& shown;
};

// An effect opened by a host that can show its editor in a window of its own: the window is made
// (create()) once the effect is set up, and the effect's size requests then resize it.
class WindowedEffect {
  public:
    // Loads the plug-in and opens its effect; throws HostError as openEffect() does.
    explicit WindowedEffect(const std::string& pluginPath);

    HostedEffect& effect() { return *opened; }
    EditorWindow& window() { return shown; }
    // Makes the window for the effect's editor, as EditorWindow::create() does.
    void create() { shown.create(*opened, path); }

  private:
    static HostOptions optionsFor(EditorWindow& shown);

    std::string path;
    EditorWindow shown; // outlives the host that resizes it
    Host host;
    std::unique_ptr<HostedEffect> opened;
};

enum class StopReason { windowClosed, interrupted, timeUp, audioStopped };

const char* describe(StopReason reason);

struct Session {
    StopReason reason = StopReason::timeUp;
    int idles = 0;
    double seconds = 0.0;
};

// Runs on this thread about 30 times a second, idling the editor when one is shown, until its window is
// closed, Ctrl+C is pressed, `limit` seconds have passed or `audioGoesOn` (asked as often) says no.
Session runUntilStopped(OpenEditor* shown, const InterruptWatch& interrupts, std::optional<double> limit,
                        const std::function<bool()>& audioGoesOn);

} // namespace host
