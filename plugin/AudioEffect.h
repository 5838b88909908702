// Base effect of the VST 2.x class model: builds and owns the effect record that the host holds,
// keeps the host callback and the basic host-visible state, and answers requests 0 to 24.
#pragma once

#include "plugin/AEffEditor.h"
#include "plugin/VstInterface.h"
#include "platform/Thread.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace tmx1 {

using vst::Int32;
using vst::IntPtr;

class AudioEffect {
  public:
    AudioEffect(vst::AudioMasterCallback audioMaster, Int32 numPrograms, Int32 numParams);
    virtual ~AudioEffect();
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    vst::AEffect* getAeffect() { return &cEffect; }
    AEffEditor* getEditor() const { return editor.get(); }

    // The record's processing entries note the thread that runs them, so that requests which must
    // never reach the host from its audio thread can tell it apart (a host may send any request from
    // any thread).
    void markAudioThread() { audioThread.store(platform::currentThreadId(), std::memory_order_relaxed); }
    bool onAudioThread() const {
        return audioThread.load(std::memory_order_relaxed) == platform::currentThreadId();
    }

    // --- virtual operations, in the interface's slot order
    virtual void setSampleRate(float sampleRate) { baseSampleRate = sampleRate; }
    virtual void setBlockSize(Int32 size) { blockSize = size; }
    virtual void setParameter(Int32, float) {}
    virtual float getParameter(Int32) { return 0.0f; }
    virtual void setParameterAutomated(Int32 index, float value);
    virtual void process(float** inputs, float** outputs, Int32 sampleFrames) = 0;
    virtual void processReplacing(float**, float**, Int32) {}
    virtual IntPtr dispatcher(Int32 opcode, Int32 index, IntPtr value, void* ptr, float opt);
    virtual void open() {}
    virtual void close() {}
    virtual Int32 getProgram() { return curProgram.load(std::memory_order_relaxed); }
    virtual void setProgram(Int32 program) { curProgram.store(program, std::memory_order_relaxed); }
    virtual void setProgramName(char*) {}
    virtual void getProgramName(char* name) { *name = '\0'; }
    virtual void getParameterLabel(Int32, char* label) { *label = '\0'; }
    virtual void getParameterDisplay(Int32, char* text) { *text = '\0'; }
    virtual void getParameterName(Int32, char* text) { *text = '\0'; }
    virtual float getVu() { return 0.0f; }
    virtual Int32 getChunk(void**, bool) { return 0; }
    virtual Int32 setChunk(void*, Int32, bool) { return 0; }
    virtual void suspend() {}
    virtual void resume() {}
    virtual void setUniqueID(Int32 id) { cEffect.uniqueID = id; }
    virtual void setNumInputs(Int32 inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(Int32 outputs) { cEffect.numOutputs = outputs; }
    virtual void hasVu(bool state) { setFlag(vst::effFlagsHasVu, state); }
    virtual void hasClip(bool state) { setFlag(vst::effFlagsHasClip, state); }
    virtual void canMono(bool state) { setFlag(vst::effFlagsCanMono, state); }
    virtual void canProcessReplacing(bool state) { setFlag(vst::effFlagsCanReplacing, state); }
    virtual void programsAreChunks(bool state) { setFlag(vst::effFlagsProgramChunks, state); }
    virtual void setRealtimeQualities(Int32 qualities) { cEffect.realQualities = qualities; }
    virtual void setOfflineQualities(Int32 qualities) { cEffect.offQualities = qualities; }
    virtual void setInitialDelay(Int32 delay) { cEffect.initialDelay = delay; }
    virtual Int32 getMasterVersion();
    virtual Int32 getCurrentUniqueId();
    virtual void masterIdle();
    virtual bool isInputConnected(Int32 input);
    virtual bool isOutputConnected(Int32 output);

  protected:
    // Takes ownership; attaching a bridge announces an editor to the host, detaching withdraws it.
    void setEditor(std::unique_ptr<AEffEditor> bridge);
    void setFlag(Int32 flag, bool state);
    IntPtr callHost(Int32 opcode, Int32 index, IntPtr value, void* ptr, float opt);

    float baseSampleRate = 44100.0f;
    std::unique_ptr<AEffEditor> editor;
    Int32 numPrograms;
    Int32 numParams;
    std::atomic<Int32> curProgram{0};
    Int32 blockSize = 1024;
    vst::AudioMasterCallback audioMaster;
    vst::AEffect cEffect{};

  private:
    std::atomic<std::uint64_t> audioThread{0}; // none until the first block
};

} // namespace tmx1
