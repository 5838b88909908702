// One panel shown in a host's window, the same for every plug-in format: it owns the editor window while
// it is open, carries the effect's values, meters and over-compression state into it at each idle, and
// keeps the zoom (the one shown, the user's choice, our own host's forced one, and a choice made in the
// zoom menu that waits for the end of the idle that delivered it). What differs between the formats
// reaches it through the PanelHost the format implements; the user's edits go out through the same
// object, as the panel's EffectLink.
//
// How a format drives it:
//   the host gives a window      Open(platform::ParentWindow::Native(handle))  (X11 window id or HWND)
//   the host's idle or timer     Idle()  (never blocks; 30 to 60 times a second is plenty)
//   the host asks for the size   Size() while open, PanelSizeAt(ZoomFor(parent)) before
//   the host's scale changed     HostScaleChanged(), then tell the host the new Size() if it answers true
//   the host takes the window    Close()  (also done by the destructor)
//
// Threads: every call here runs on the host's editor (UI) thread, and so does every call the session
// makes into its PanelHost. The window is made, idled and destroyed only from these calls, never from a
// parameter setter or the audio thread: those raise the flag TakeParameterUpdate exchanges, and the
// meters are read at the next idle. The window's own timers (a knob's auto-repeat) run inside Idle, and
// the user's edits (SendParameter between BeginEdit and EndEdit) reach the PanelHost from inside Idle,
// where the window takes its input, and from Close and HostScaleChanged, which end an edit still held.
#pragma once

#include "editor/PanelHost.h"
#include "platform/Window.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace tmx1 {

class TPluginEditorWindow;

// The panel in layout pixels; the window is this size zoomed.
inline constexpr std::int16_t kEditorWidth = 570;
inline constexpr std::int16_t kEditorHeight = 265;

// A window's client size in device pixels.
struct PanelSize {
    int width = 0;
    int height = 0;
    bool operator==(const PanelSize&) const = default;
};

// The window's size at a zoom of percent.
PanelSize PanelSizeAt(int percent);

class PanelSession {
  public:
    explicit PanelSession(PanelHost& host);
    ~PanelSession();
    PanelSession(const PanelSession&) = delete;
    PanelSession& operator=(const PanelSession&) = delete;

    // Makes the window as a child of parent at its top-left corner, at ZoomFor(parent), showing the
    // values ReadParameters gives; the first Idle refreshes every control. False, with nothing made and
    // the session still closed, when the window system refuses the parent or the layout is unreadable.
    // While open it answers true and makes nothing: there is never a second window.
    bool Open(const platform::ParentWindow& parent);
    // Ends an edit the user holds (a knob pressed), then destroys the window. Nothing happens while closed.
    void Close();
    bool IsOpen() const { return window_ != nullptr; }

    // One tick: the program, the parameters when TakeParameterUpdate says so, the over-compression lamp
    // and its acknowledgement, the meters, then the window's own turn (input, timers, one paint), and
    // last a zoom the user chose during it (the host is asked for the new size; the window is remade
    // when it agrees, otherwise the choice waits for the next open). False when there is no window to
    // show: closed, or lost because the parent refused a remade one.
    bool Idle();
    // Reads every parameter into the window and refreshes the controls whose values changed, at once.
    void RefreshParameters();

    // The window while open, else null.
    TPluginEditorWindow* Window() const { return window_.get(); }
    // The window system's handle of the open window (for hosts that embed a widget by its handle), else
    // null.
    void* NativeHandle() const;

    // --- zoom
    // The zoom of the open window.
    int Zoom() const { return zoom_; }
    PanelSize Size() const { return PanelSizeAt(zoom_); }
    // The zoom an Open in parent would take now: our own host's forced one, else the user's choice
    // (made in this session, else remembered for the user), else the host's scale, else the desktop's,
    // else 100 %.
    int ZoomFor(const platform::ParentWindow& parent) const;
    // The host announced another scale (PanelHost::HostScale): an open window is remade at the zoom it
    // now takes, without asking the host, which set the scale itself. True when its size changed.
    bool HostScaleChanged();
    // Our own host's request: every later open takes this zoom, nothing is stored; the user's next
    // choice outranks it. False for a percent the panel does not have.
    bool ForceZoom(int percent);
    // Keeps the user's choice for this session and every panel opened from now on; false when it could
    // not be stored for the user (it then holds for this session only).
    bool RememberZoom(int percent);

  private:
    void ShowMeters(const PanelMeters& meters);
    void ApplyZoom(int percent);
    // Makes the window again at percent in the same parent; false (and no window shown) when the
    // parent refuses it.
    bool Remake(int percent);

    PanelHost& host_;
    std::unique_ptr<TPluginEditorWindow> window_;
    std::optional<platform::ParentWindow> parent_; // while open
    bool refreshAll_ = false;                      // the first idle after an open shows every value
    int zoom_ = 100;                               // of the open window
    int chosenZoom_ = 0;                           // chosen in this session, for its next open; 0 for none
    int forcedZoom_ = 0;                           // asked for by our own host; 0 for none
    int zoomRequest_ = 0;                          // chosen in the menu during an idle, applied after it
};

} // namespace tmx1
