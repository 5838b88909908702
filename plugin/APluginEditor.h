// The editor bridge: answers the host's editor requests and, while the editor is open, carries
// parameter and meter values into the window through the panel session. It lives as long as the
// effect; the window exists only between an open and a close. All of it runs on the host's editor
// thread, except postUpdate.
#pragma once

#include "editor/PanelSession.h"
#include "plugin/AEffEditor.h"

namespace platform::headless {
class Screen;
}

namespace tmx1 {

class APlugin;
class TPluginEditorWindow;

class APluginEditor : public AEffEditor, private PanelHost {
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

    bool isOpen() const { return session.IsOpen(); }
    TPluginEditorWindow* editorWindow() const { return session.Window(); }

    // The zoom the window has, or the one the next open takes: the user's own choice, else the
    // host's scale, else the desktop's, else 100 %.
    int zoomPercent() const;
    // Keeps the user's choice for every instance opened from now on; false when it could not be
    // stored (then it holds for this instance only).
    bool rememberZoom(int percent) { return session.RememberZoom(percent); }
    // Our own host's request: every later open takes this zoom, nothing is stored. False for a
    // percent the panel does not have.
    bool forceZoom(int percent) { return session.ForceZoom(percent); }

  private:
    // PanelHost: the window reads the effect directly, and its edits go straight to the effect.
    void SendParameter(int index, float value) override;
    void BeginEdit(int index) override;
    void EndEdit(int index) override;
    bool TakeParameterUpdate() override;
    void ReadParameters(std::array<float, kNumParams>& values) override;
    int CurrentProgram() override;
    PanelMeters ReadMeters() override;
    bool OverCompressionLatched() override;
    void OverCompressionShown(bool latched) override;
    bool RequestSize(int width, int height) override;
    double HostScale() const override;

    // The host's window, or the screen openNextOnScreen named.
    platform::ParentWindow parentFor(void* hostWindow) const;

    APlugin* plugin;
    vst::ERect rect{};
    platform::headless::Screen* nextScreen = nullptr;
    PanelSession session{*this};
};

} // namespace tmx1
