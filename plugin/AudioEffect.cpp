#include "plugin/AudioEffect.h"

#include <cmath>

namespace tmx1 {

namespace {

// The record's entry points. The host holds only the record, so each finds its effect through
// `object`. Nothing may throw into the host: an exception answers as an unsupported request.
AudioEffect* effectOf(vst::AEffect* record) {
    return record != nullptr ? static_cast<AudioEffect*>(record->object) : nullptr;
}

extern "C" IntPtr dispatchEntry(vst::AEffect* record, Int32 opcode, Int32 index, IntPtr value, void* ptr,
                                float opt) {
    AudioEffect* effect = effectOf(record);
    if (effect == nullptr)
        return 0;
    try {
        const IntPtr result = effect->dispatcher(opcode, index, value, ptr, opt);
        if (opcode != vst::effClose)
            return result;
    } catch (...) {
        if (opcode != vst::effClose)
            return 0;
    }
    // The host lets go of the record with effClose; the effect goes with it.
    record->object = nullptr;
    delete effect;
    return 1;
}

extern "C" void processEntry(vst::AEffect* record, float** inputs, float** outputs, Int32 sampleFrames) {
    if (AudioEffect* effect = effectOf(record)) {
        effect->markAudioThread();
        try {
            effect->process(inputs, outputs, sampleFrames);
        } catch (...) {
        }
    }
}

extern "C" void processReplacingEntry(vst::AEffect* record, float** inputs, float** outputs,
                                      Int32 sampleFrames) {
    if (AudioEffect* effect = effectOf(record)) {
        effect->markAudioThread();
        try {
            effect->processReplacing(inputs, outputs, sampleFrames);
        } catch (...) {
        }
    }
}

extern "C" void setParameterEntry(vst::AEffect* record, Int32 index, float value) {
    if (AudioEffect* effect = effectOf(record)) {
        try {
            effect->setParameter(index, value);
        } catch (...) {
        }
    }
}

extern "C" float getParameterEntry(vst::AEffect* record, Int32 index) {
    if (AudioEffect* effect = effectOf(record)) {
        try {
            return effect->getParameter(index);
        } catch (...) {
        }
    }
    return 0.0f;
}

} // namespace

AudioEffect::AudioEffect(vst::AudioMasterCallback audioMaster, Int32 numPrograms, Int32 numParams)
    : numPrograms(numPrograms), numParams(numParams), audioMaster(audioMaster) {
    cEffect.magic = vst::kEffectMagic;
    cEffect.dispatcher = dispatchEntry;
    cEffect.process = processEntry;
    cEffect.setParameter = setParameterEntry;
    cEffect.getParameter = getParameterEntry;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.flags = 0;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = vst::fourCharCode("NoEf");
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingEntry;
}

AudioEffect::~AudioEffect() { setEditor(nullptr); }

void AudioEffect::setEditor(std::unique_ptr<AEffEditor> bridge) {
    editor = std::move(bridge);
    setFlag(vst::effFlagsHasEditor, editor != nullptr);
}

void AudioEffect::setFlag(Int32 flag, bool state) {
    if (state)
        cEffect.flags |= flag;
    else
        cEffect.flags &= ~flag;
}

IntPtr AudioEffect::callHost(Int32 opcode, Int32 index, IntPtr value, void* ptr, float opt) {
    return audioMaster != nullptr ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

void AudioEffect::setParameterAutomated(Int32 index, float value) {
    setParameter(index, value);
    callHost(vst::audioMasterAutomate, index, 0, nullptr, value);
}

Int32 AudioEffect::getMasterVersion() {
    const IntPtr version = callHost(vst::audioMasterVersion, 0, 0, nullptr, 0.0f);
    return version != 0 ? static_cast<Int32>(version) : 1;
}

Int32 AudioEffect::getCurrentUniqueId() {
    return static_cast<Int32>(callHost(vst::audioMasterCurrentId, 0, 0, nullptr, 0.0f));
}

void AudioEffect::masterIdle() { callHost(vst::audioMasterIdle, 0, 0, nullptr, 0.0f); }

bool AudioEffect::isInputConnected(Int32 input) {
    return callHost(vst::audioMasterPinConnected, input, 0, nullptr, 0.0f) == 0;
}

bool AudioEffect::isOutputConnected(Int32 output) {
    return callHost(vst::audioMasterPinConnected, output, 1, nullptr, 0.0f) == 0;
}

IntPtr AudioEffect::dispatcher(Int32 opcode, Int32 index, IntPtr value, void* ptr, float opt) {
    // Requests that read or write through ptr do nothing when the host passes none.
    auto text = static_cast<char*>(ptr);
    switch (opcode) {
    case vst::effSetProgram:
        if (value >= 0 && value < numPrograms)
            setProgram(static_cast<Int32>(value));
        return 0;
    case vst::effGetProgram:
        return getProgram();
    case vst::effSetProgramName:
        if (text != nullptr)
            setProgramName(text);
        return 0;
    case vst::effGetProgramName:
        if (text != nullptr)
            getProgramName(text);
        return 0;
    case vst::effGetParamLabel:
        if (text != nullptr)
            getParameterLabel(index, text);
        return 0;
    case vst::effGetParamDisplay:
        if (text != nullptr)
            getParameterDisplay(index, text);
        return 0;
    case vst::effGetParamName:
        if (text != nullptr)
            getParameterName(index, text);
        return 0;
    case vst::effGetVu:
        return static_cast<IntPtr>(std::nearbyint(getVu() * 32767.0));
    case vst::effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case vst::effSetBlockSize:
        setBlockSize(static_cast<Int32>(value));
        return 0;
    case vst::effMainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        return 0;
    case vst::effEditGetRect:
        if (editor == nullptr || ptr == nullptr)
            return 0;
        return editor->getRect(static_cast<vst::ERect**>(ptr));
    case vst::effEditOpen:
        return editor != nullptr ? editor->open(ptr) : 0;
    case vst::effEditClose:
        if (editor != nullptr)
            editor->close();
        return 0;
    case vst::effEditIdle:
        if (editor != nullptr)
            editor->idle();
        return 0;
    case vst::effIdentify:
        return vst::fourCharCode("NvEf");
    case vst::effGetChunk:
        return ptr != nullptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case vst::effSetChunk:
        return ptr != nullptr ? setChunk(ptr, static_cast<Int32>(value), index != 0) : 0;
    default: // effOpen, effClose, the ignored editor requests and anything unknown
        return 0;
    }
}

} // namespace tmx1
