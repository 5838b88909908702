// Extended effect of the VST 2.x class model: answers requests 25 to 76 and hands every other
// request to the base dispatcher, so the host sees one dispatcher. Requests whose answer is fixed
// for every effect of ours are answered in the switch; the rest go through the virtual operations
// below (slot order of the class model, only those that the dispatcher reaches).
#pragma once

#include "plugin/AudioEffect.h"

namespace tmx1 {

class AudioEffectX : public AudioEffect {
  public:
    using AudioEffect::AudioEffect;

    IntPtr dispatcher(Int32 opcode, Int32 index, IntPtr value, void* ptr, float opt) override;

    virtual bool canParameterBeAutomated(Int32) { return true; }
    virtual Int32 getNumCategories() { return 1; }
    virtual bool getProgramNameIndexed(Int32, Int32, char*) { return false; }
    virtual bool getInputProperties(Int32, vst::VstPinProperties*) { return false; }
    virtual bool getOutputProperties(Int32, vst::VstPinProperties*) { return false; }
    virtual vst::PlugCategory getPlugCategory();
    virtual void setBlockSizeAndSampleRate(Int32 size, float sampleRate);
    virtual bool getEffectName(char*) { return false; }
    virtual bool getVendorString(char*) { return false; }
    virtual bool getProductString(char*) { return false; }
    virtual Int32 getVendorVersion() { return 0; }
    virtual IntPtr vendorSpecific(Int32, IntPtr, void*, float) { return 0; }
    virtual Int32 canDo(const char*) { return 0; }
    virtual Int32 getVstVersion() { return 2300; }
    // Asks the host to read the parameters, names and program again.
    virtual bool updateDisplay() { return callHost(vst::audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f) != 0; }
    // The user grabbed parameter index in the editor (a knob pressed, a switch about to send): the host
    // may hold back its own automation of it until endEdit. Called from the editor's thread only.
    virtual bool beginEdit(Int32 index) {
        return callHost(vst::audioMasterBeginEdit, index, 0, nullptr, 0.0f) != 0;
    }
    virtual bool endEdit(Int32 index) {
        return callHost(vst::audioMasterEndEdit, index, 0, nullptr, 0.0f) != 0;
    }
    // Asks the host to give the editor window a new client size; true when the host did.
    virtual bool sizeWindow(Int32 width, Int32 height) {
        return callHost(vst::audioMasterSizeWindow, width, height, nullptr, 0.0f) != 0;
    }

    // Flags that the extended layer manages.
    virtual void isSynth(bool state) { setFlag(vst::effFlagsIsSynth, state); }
    virtual void noTail(bool state) { setFlag(vst::effFlagsNoSoundInStop, state); }
    virtual void wantAsyncOperation(bool state) { setFlag(vst::effFlagsExtIsAsync, state); }
    virtual void hasExternalBuffer(bool state) { setFlag(vst::effFlagsExtHasBuffer, state); }
};

} // namespace tmx1
