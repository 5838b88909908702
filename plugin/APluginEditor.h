// The editor bridge: answers the host's editor requests and, while the editor is open, carries
// parameter and meter values into the window.
#pragma once

#include "plugin/AEffEditor.h"

#include <cstdint>

namespace tmx1 {

class APlugin;

inline constexpr std::int16_t kEditorWidth = 570;
inline constexpr std::int16_t kEditorHeight = 265;

class APluginEditor : public AEffEditor {
  public:
    explicit APluginEditor(APlugin* plugin);
    ~APluginEditor() override;

    vst::Int32 getRect(vst::ERect** rect) override;
    vst::Int32 open(void* parentWindow) override;
    void close() override;
    void idle() override;
    void update() override;

    bool isOpen() const { return open_; }

  private:
    APlugin* plugin;
    vst::ERect rect{};
    bool open_ = false;
};

} // namespace tmx1
