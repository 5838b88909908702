// Base of the editor bridge: the object through which the host's editor requests reach the
// editor window. The effect owns it for its whole life; the window comes and goes.
#pragma once

#include "plugin/VstInterface.h"

#include <atomic>
#include <cstdint>

namespace tmx1 {

class AudioEffect;

// A key as the host reports it with the key requests.
struct VstKeyCode {
    vst::Int32 character;
    std::uint8_t virt;
    std::uint8_t modifier;
};

class AEffEditor {
  public:
    explicit AEffEditor(AudioEffect* effect) : effect(effect) {}
    virtual ~AEffEditor() = default;
    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    virtual vst::Int32 getRect(vst::ERect** rect) {
        *rect = nullptr;
        return 0;
    }
    virtual vst::Int32 open(void* parentWindow) {
        systemWindow = parentWindow;
        return 0;
    }
    virtual void close() {}
    virtual void idle() {
        if (updateFlag.exchange(0, std::memory_order_acquire) != 0)
            update();
    }
    virtual void update() {}

    // Any thread that changes a parameter may call this; the next idle shows the change.
    void postUpdate() { updateFlag.store(1, std::memory_order_release); }
    bool isUpdatePosted() const { return updateFlag.load(std::memory_order_acquire) != 0; }

    virtual vst::Int32 onKeyDown(VstKeyCode&) { return -1; }
    virtual vst::Int32 onKeyUp(VstKeyCode&) { return -1; }
    virtual vst::Int32 setKnobMode(vst::Int32) { return 0; }
    virtual bool onWheel(float) { return false; }

  protected:
    AudioEffect* effect;
    void* systemWindow = nullptr;
    std::atomic<std::int32_t> updateFlag{0};
};

} // namespace tmx1
