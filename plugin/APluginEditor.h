// The editor bridge: answers the host's editor requests and, while the editor is open, carries
// parameter and meter values into the window. It lives as long as the effect; the window exists
// only between an open and a close. All of it runs on the host's editor thread, except postUpdate.
#pragma once

#include "plugin/AEffEditor.h"

#include <cstdint>
#include <memory>

namespace platform::headless {
class Screen;
}

namespace tmx1 {

class APlugin;
class TPluginEditorWindow;

inline constexpr std::int16_t kEditorWidth = 570;
inline constexpr std::int16_t kEditorHeight = 265;

class APluginEditor : public AEffEditor {
  public:
    explicit APluginEditor(APlugin* plugin);
    ~APluginEditor() override;

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

  private:
    void driveOverCompressionLed();
    void copyMeters();

    APlugin* plugin;
    vst::ERect rect{};
    bool open_ = false;
    platform::headless::Screen* nextScreen = nullptr;
    std::unique_ptr<TPluginEditorWindow> window;
};

} // namespace tmx1
