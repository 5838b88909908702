// The VST 2.x binary interface as seen by the plug-in and by our hosts: the effect record, the
// request codes and the small structs exchanged through the dispatcher. Written from the published
// numbers and the 64-bit layout; the static asserts at the end pin that layout down, because a host
// compiled against another header reads these bytes at fixed offsets.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vst {

using Int32 = std::int32_t;
using IntPtr = std::intptr_t;

struct AEffect;

// Host callback and the record's entry points: plain C functions, pointer-sized results.
extern "C" {
using AudioMasterCallback = IntPtr (*)(AEffect* effect, Int32 opcode, Int32 index, IntPtr value, void* ptr,
                                       float opt);
using DispatcherProc = IntPtr (*)(AEffect* effect, Int32 opcode, Int32 index, IntPtr value, void* ptr,
                                  float opt);
using ProcessProc = void (*)(AEffect* effect, float** inputs, float** outputs, Int32 sampleFrames);
using ProcessDoubleProc = void (*)(AEffect* effect, double** inputs, double** outputs, Int32 sampleFrames);
using SetParameterProc = void (*)(AEffect* effect, Int32 index, float parameter);
using GetParameterProc = float (*)(AEffect* effect, Int32 index);
using MainEntry = AEffect* (*)(AudioMasterCallback audioMaster);
}

// Four characters packed first-character-highest, as the interface stores identifiers.
constexpr Int32 fourCharCode(const char (&text)[5]) {
    return static_cast<Int32>((static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
                              (static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
                              (static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
                              static_cast<std::uint32_t>(static_cast<unsigned char>(text[3])));
}

constexpr Int32 kEffectMagic = fourCharCode("VstP");

struct AEffect {
    Int32 magic;
    DispatcherProc dispatcher;
    ProcessProc process; // accumulating process, deprecated by the interface but still called by old hosts
    SetParameterProc setParameter;
    GetParameterProc getParameter;
    Int32 numPrograms;
    Int32 numParams;
    Int32 numInputs;
    Int32 numOutputs;
    Int32 flags;
    IntPtr resvd1;
    IntPtr resvd2;
    Int32 initialDelay;
    Int32 realQualities;
    Int32 offQualities;
    float ioRatio;
    void* object;
    void* user;
    Int32 uniqueID;
    Int32 version;
    ProcessProc processReplacing;
    ProcessDoubleProc processDoubleReplacing;
    char future[56];
};

// The editor rectangle, in the interface's order.
struct ERect {
    std::int16_t top;
    std::int16_t left;
    std::int16_t bottom;
    std::int16_t right;
};

constexpr int kVstMaxLabelLen = 64;
constexpr int kVstMaxShortLabelLen = 8;

struct VstPinProperties {
    char label[kVstMaxLabelLen];
    Int32 flags;
    Int32 arrangementType;
    char shortLabel[kVstMaxShortLabelLen];
    char future[48];
};

// AEffect::flags
enum EffectFlags : Int32 {
    effFlagsHasEditor = 1,
    effFlagsHasClip = 2,
    effFlagsHasVu = 4,
    effFlagsCanMono = 8,
    effFlagsCanReplacing = 16,
    effFlagsProgramChunks = 32,
    effFlagsIsSynth = 256,
    effFlagsNoSoundInStop = 512,
    effFlagsExtIsAsync = 1024,
    effFlagsExtHasBuffer = 2048,
};

// VstPinProperties::flags
enum PinFlags : Int32 {
    kVstPinIsActive = 1,
    kVstPinIsStereo = 2,
};

enum PlugCategory : Int32 {
    kPlugCategUnknown = 0,
    kPlugCategEffect = 1,
    kPlugCategSynth = 2,
};

// Requests from the host to the effect (the dispatcher's opcode).
enum EffectOpcode : Int32 {
    effOpen = 0,
    effClose,
    effSetProgram,
    effGetProgram,
    effSetProgramName,
    effGetProgramName,
    effGetParamLabel,
    effGetParamDisplay,
    effGetParamName,
    effGetVu,
    effSetSampleRate,
    effSetBlockSize,
    effMainsChanged,
    effEditGetRect,
    effEditOpen,
    effEditClose,
    effEditDraw,
    effEditMouse,
    effEditKey,
    effEditIdle,
    effEditTop,
    effEditSleep,
    effIdentify,
    effGetChunk,
    effSetChunk,
    effProcessEvents, // 25: first of the extended requests
    effCanBeAutomated,
    effString2Parameter,
    effGetNumProgramCategories,
    effGetProgramNameIndexed,
    effCopyProgram,
    effConnectInput,
    effConnectOutput,
    effGetInputProperties,
    effGetOutputProperties,
    effGetPlugCategory,
    effGetCurrentPosition,
    effGetDestinationBuffer,
    effOfflineNotify,
    effOfflinePrepare,
    effOfflineRun,
    effProcessVarIo,
    effSetSpeakerArrangement,
    effSetBlockSizeAndSampleRate,
    effSetBypass,
    effGetEffectName,
    effGetErrorText,
    effGetVendorString,
    effGetProductString,
    effGetVendorVersion,
    effVendorSpecific,
    effCanDo,
    effGetTailSize,
    effIdle,
    effGetIcon,
    effSetViewPosition,
    effGetParameterProperties,
    effKeysRequired,
    effGetVstVersion,
    effEditKeyDown,
    effEditKeyUp,
    effSetEditKnobMode,
    effGetMidiProgramName,
    effGetCurrentMidiProgram,
    effGetMidiProgramCategory,
    effHasMidiProgramsChanged,
    effGetMidiKeyName,
    effBeginSetProgram,
    effEndSetProgram,
    effGetSpeakerArrangement,
    effShellGetNextPlugin,
    effStartProcess,
    effStopProcess,
    effSetTotalSampleToProcess,
    effSetPanLaw,
    effBeginLoadBank,
    effBeginLoadProgram, // 76: the last request this interface version knows
};

// Requests from the effect to the host (the audioMaster callback's opcode). Only those that some
// code of ours sends or answers are named.
enum AudioMasterOpcode : Int32 {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterPinConnected = 4,
    audioMasterIOChanged = 13,  // the effect's latency changed: the host reads it again
    audioMasterSizeWindow = 15, // index: width, value: height of the editor's client area
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43, // index: the parameter the user starts to change
    audioMasterEndEdit = 44,   // index: the parameter the user has finished changing
};

static_assert(sizeof(void*) == 8, "this layout is the 64-bit one");
static_assert(sizeof(AEffect) == 192);
static_assert(offsetof(AEffect, dispatcher) == 8);
static_assert(offsetof(AEffect, numPrograms) == 40);
static_assert(offsetof(AEffect, flags) == 56);
static_assert(offsetof(AEffect, resvd1) == 64);
static_assert(offsetof(AEffect, initialDelay) == 80);
static_assert(offsetof(AEffect, ioRatio) == 92);
static_assert(offsetof(AEffect, object) == 96);
static_assert(offsetof(AEffect, uniqueID) == 112);
static_assert(offsetof(AEffect, processReplacing) == 120);
static_assert(offsetof(AEffect, processDoubleReplacing) == 128);
static_assert(offsetof(AEffect, future) == 136);
static_assert(sizeof(ERect) == 8 && offsetof(ERect, left) == 2 && offsetof(ERect, right) == 6);
static_assert(sizeof(VstPinProperties) == 128);
static_assert(offsetof(VstPinProperties, flags) == 64);
static_assert(offsetof(VstPinProperties, shortLabel) == 72);
static_assert(effGetChunk == 23 && effProcessEvents == 25 && effSetBlockSizeAndSampleRate == 43);
static_assert(effCanDo == 51 && effGetVstVersion == 58 && effBeginLoadProgram == 76);

} // namespace vst
