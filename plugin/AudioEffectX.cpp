#include "plugin/AudioEffectX.h"

#include <cmath>

namespace tmx1 {

vst::PlugCategory AudioEffectX::getPlugCategory() {
    return (cEffect.flags & vst::effFlagsIsSynth) != 0 ? vst::kPlugCategSynth : vst::kPlugCategUnknown;
}

void AudioEffectX::setBlockSizeAndSampleRate(Int32 size, float sampleRate) {
    blockSize = size;
    baseSampleRate = sampleRate;
}

IntPtr AudioEffectX::dispatcher(Int32 opcode, Int32 index, IntPtr value, void* ptr, float opt) {
    auto text = static_cast<char*>(ptr);
    switch (opcode) {
    case vst::effSetProgram: {
        const IntPtr result = AudioEffect::dispatcher(opcode, index, value, ptr, opt);
        // A program load changes every parameter at once, and hosts keep their own copies of the
        // values for their controls and automation: ask them to read again. Not from the audio
        // thread, where a host may not expect to redraw anything.
        if (value >= 0 && value < numPrograms && !onAudioThread())
            updateDisplay();
        return result;
    }
    case vst::effCanBeAutomated:
        return canParameterBeAutomated(index) ? 1 : 0;
    case vst::effGetNumProgramCategories:
        return getNumCategories();
    case vst::effGetProgramNameIndexed:
        return text != nullptr && getProgramNameIndexed(static_cast<Int32>(value), index, text) ? 1 : 0;
    case vst::effConnectInput:
    case vst::effConnectOutput:
        return 1;
    case vst::effGetInputProperties:
        return ptr != nullptr && getInputProperties(index, static_cast<vst::VstPinProperties*>(ptr)) ? 1 : 0;
    case vst::effGetOutputProperties:
        return ptr != nullptr && getOutputProperties(index, static_cast<vst::VstPinProperties*>(ptr)) ? 1 : 0;
    case vst::effGetPlugCategory:
        return getPlugCategory();
    case vst::effSetBlockSizeAndSampleRate:
        setBlockSizeAndSampleRate(static_cast<Int32>(value), opt);
        return 1;
    case vst::effGetEffectName:
        return text != nullptr && getEffectName(text) ? 1 : 0;
    case vst::effGetVendorString:
        return text != nullptr && getVendorString(text) ? 1 : 0;
    case vst::effGetProductString:
        return text != nullptr && getProductString(text) ? 1 : 0;
    case vst::effGetVendorVersion:
        return getVendorVersion();
    case vst::effVendorSpecific:
        return vendorSpecific(index, value, ptr, opt);
    case vst::effCanDo:
        return text != nullptr ? canDo(text) : 0;
    case vst::effKeysRequired:
        return 1; // the interface's reversed convention: 1 means "keys not required"
    case vst::effGetVstVersion:
        return getVstVersion();
    case vst::effEditKeyDown:
    case vst::effEditKeyUp: {
        if (editor == nullptr)
            return 0;
        // The modifiers come as a float: one that is no byte (NaN, out of range) has no value to
        // convert, and converting it anyway is undefined; it carries no modifiers.
        const float modifiers = std::nearbyint(opt);
        VstKeyCode key{index, static_cast<std::uint8_t>(value),
                       modifiers >= 0.0f && modifiers <= 255.0f ? static_cast<std::uint8_t>(modifiers)
                                                                : std::uint8_t{0}};
        return opcode == vst::effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
    }
    case vst::effSetEditKnobMode:
        if (editor != nullptr)
            editor->setKnobMode(static_cast<Int32>(value));
        return 0;
    case vst::effGetCurrentMidiProgram:
        return -1;
    case vst::effSetTotalSampleToProcess:
        return value;
    case vst::effProcessEvents:
    case vst::effString2Parameter:
    case vst::effCopyProgram:
    case vst::effGetCurrentPosition:
    case vst::effGetDestinationBuffer:
    case vst::effOfflineNotify:
    case vst::effOfflinePrepare:
    case vst::effOfflineRun:
    case vst::effProcessVarIo:
    case vst::effSetSpeakerArrangement:
    case vst::effSetBypass:
    case vst::effGetErrorText:
    case vst::effGetTailSize:
    case vst::effIdle:
    case vst::effGetIcon:
    case vst::effSetViewPosition:
    case vst::effGetParameterProperties:
    case vst::effGetMidiProgramName:
    case vst::effGetMidiProgramCategory:
    case vst::effHasMidiProgramsChanged:
    case vst::effGetMidiKeyName:
    case vst::effBeginSetProgram:
    case vst::effEndSetProgram:
    case vst::effGetSpeakerArrangement:
    case vst::effShellGetNextPlugin:
    case vst::effStartProcess:
    case vst::effStopProcess:
    case vst::effSetPanLaw:
    case vst::effBeginLoadBank:
    case vst::effBeginLoadProgram:
        return 0; // not supported: nothing is read or written
    default:
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

} // namespace tmx1
