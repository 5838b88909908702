// The editor bridge: answers the host's editor requests and, while the editor is open, carries
// parameter and meter values into the window. It lives as long as the effect; the window exists
// only between an open and a close. All of it runs on the host's editor thread, except postUpdate.
#pragma once

#include "plugin/AEffEditor.h"

#include <cstdint>
#include <memory>

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
    // Answers 0 and creates nothing when the window cannot be made (the parent is refused).
    vst::Int32 open(void* parentWindow) override;
    void close() override;
    void idle() override;
    void update() override;

    bool isOpen() const { return open_; }
    TPluginEditorWindow* editorWindow() const { return window.get(); }

  private:
    void driveOverCompressionLed();
    void copyMeters();

    APlugin* plugin;
    vst::ERect rect{};
    bool open_ = false;
    std::unique_ptr<TPluginEditorWindow> window;
};

} // namespace tmx1
