// The editor bridge: answers the host's editor requests and, while the editor is open, carries
// parameter and meter values into the window. It lives as long as the effect; the window exists
// only between an open and a close. All of it runs on the host's editor thread, except postUpdate.
#pragma once

#include "editor/EffectLink.h"
#include "platform/Window.h"
#include "plugin/AEffEditor.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace platform::headless {
class Screen;
}

namespace tmx1 {

class APlugin;
class TPluginEditorWindow;

// The panel in layout pixels; the window is this size zoomed.
inline constexpr std::int16_t kEditorWidth = 570;
inline constexpr std::int16_t kEditorHeight = 265;

class APluginEditor : public AEffEditor, private EffectLink {
  public:
    explicit APluginEditor(APlugin* plugin);
    ~APluginEditor() override;

    // The window's size at the zoom it has, or, while closed, at the zoom the next open will take.
    vst::Int32 getRect(vst::ERect** rect) override;
    // Answers 0 and creates nothing when the window cannot be made (the parent is refused). The
    // host's handle is a native window's; only openNextOnScreen puts a window on a headless screen.
    vst::Int32 open(void* parentWindow) override;
    void close() override;
    void idle() override;
    void update() override;

    // The next open, and only that one, puts the window on screen instead of in the host's window:
    // our own host's and tests' request, never inferred from a handle.
    void openNextOnScreen(platform::headless::Screen& screen) { nextScreen = &screen; }

    bool isOpen() const { return open_; }
    TPluginEditorWindow* editorWindow() const { return window.get(); }

    // The zoom the window has, or the one the next open takes: the user's own choice, else the
    // host's scale, else the desktop's, else 100 %.
    int zoomPercent() const;
    // Keeps the user's choice for every instance opened from now on; false when it could not be
    // stored (then it holds for this instance only).
    bool rememberZoom(int percent);
    // Our own host's request: every later open takes this zoom, nothing is stored. False for a
    // percent the panel does not have.
    bool forceZoom(int percent);

  private:
    // EffectLink: the window's edits go straight to the effect.
    void SendParameter(int index, float value) override;

    int chooseZoom(const platform::ParentWindow& parent) const;
    // The user chose a zoom in the menu: asks the host for the new size and remakes the window at
    // once when it agrees, else keeps the choice for the next open.
    void applyZoom(int percent);
    void copyMeters();

    APlugin* plugin;
    vst::ERect rect{};
    bool open_ = false;
    platform::headless::Screen* nextScreen = nullptr;
    std::optional<platform::ParentWindow> parent_;
    int zoom_ = 100;          // of the open window
    int chosenZoom_ = 0;      // chosen in this instance, for its next open; 0 for none
    int forcedZoom_ = 0;      // asked for by our own host; 0 for none
    int zoomRequest_ = 0;     // chosen in the menu during an idle, applied after it
    std::unique_ptr<TPluginEditorWindow> window;
};

} // namespace tmx1
