// Requests 25 to 76: identity, capabilities, pins and the defaults for everything unsupported.
#include "tests/support/LoadedPlugin.h"

#include <cstring>

using testing_support::LoadedPlugin;

namespace {

TEST_F(LoadedPlugin, IdentityStringsAndVersions) {
    EXPECT_EQ(plugin->text(vst::effGetEffectName), "TMX-1");
    EXPECT_EQ(plugin->text(vst::effGetVendorString), "Brindlow Audio");
    EXPECT_EQ(plugin->text(vst::effGetProductString), "TMX-1");
    char text[64];
    EXPECT_EQ(plugin->dispatch(vst::effGetEffectName, 0, 0, text), 1);
    EXPECT_EQ(plugin->dispatch(vst::effGetVendorString, 0, 0, text), 1);
    EXPECT_EQ(plugin->dispatch(vst::effGetProductString, 0, 0, text), 1);
    EXPECT_EQ(plugin->dispatch(vst::effGetVendorVersion), 1);
    EXPECT_EQ(plugin->dispatch(vst::effGetVstVersion), 2300);
    EXPECT_EQ(plugin->dispatch(vst::effGetPlugCategory), 0);
}

TEST_F(LoadedPlugin, CanDoClaimsNothing) {
    for (const char* capability : {"plugAsChannelInsert", "receiveVstEvents", "bypass", "sendVstMidiEvent",
                                   "receiveVstTimeInfo", "offline", "", "anything at all"}) {
        char text[64];
        std::strcpy(text, capability);
        EXPECT_EQ(plugin->dispatch(vst::effCanDo, 0, 0, text), -1) << capability;
    }
}

TEST_F(LoadedPlugin, OutputPinsAreLabelledAndStereoWithoutTouchingOtherFields) {
    for (int index : {0, 1}) {
        vst::VstPinProperties pin;
        std::memset(&pin, 0xAB, sizeof pin);
        EXPECT_EQ(plugin->dispatch(vst::effGetOutputProperties, index, 0, &pin), 1);
        EXPECT_STREQ(pin.label, index == 0 ? " 1" : " 2");
        EXPECT_EQ(pin.flags, 3);
        // Some hosts pass a smaller struct: the fields we do not fill must stay as they were.
        EXPECT_EQ(static_cast<unsigned char>(pin.shortLabel[0]), 0xAB);
        EXPECT_EQ(static_cast<unsigned char>(pin.future[47]), 0xAB);
        EXPECT_EQ(static_cast<std::uint32_t>(pin.arrangementType), 0xABABABABu);
    }
    for (int index : {2, 5, -1}) {
        vst::VstPinProperties pin;
        std::memset(&pin, 0xAB, sizeof pin);
        EXPECT_EQ(plugin->dispatch(vst::effGetOutputProperties, index, 0, &pin), 0) << index;
        EXPECT_EQ(static_cast<unsigned char>(pin.label[0]), 0xAB) << index;
        EXPECT_EQ(static_cast<std::uint32_t>(pin.flags), 0xABABABABu) << index;
    }
}

TEST_F(LoadedPlugin, InputPinsAreNotDescribed) {
    for (int index : {0, 1, 2}) {
        vst::VstPinProperties pin;
        std::memset(&pin, 0xAB, sizeof pin);
        EXPECT_EQ(plugin->dispatch(vst::effGetInputProperties, index, 0, &pin), 0);
        EXPECT_EQ(static_cast<unsigned char>(pin.label[0]), 0xAB);
    }
}

TEST_F(LoadedPlugin, FixedAnswersOfTheExtendedLayer) {
    for (int index : {0, 5, 9, 10})
        EXPECT_EQ(plugin->dispatch(vst::effCanBeAutomated, index), 1) << index;
    EXPECT_EQ(plugin->dispatch(vst::effGetNumProgramCategories), 1);
    EXPECT_EQ(plugin->dispatch(vst::effConnectInput, 0, 1), 1);
    EXPECT_EQ(plugin->dispatch(vst::effConnectOutput, 1, 0), 1);
    EXPECT_EQ(plugin->dispatch(vst::effKeysRequired), 1);
    EXPECT_EQ(plugin->dispatch(vst::effGetCurrentMidiProgram), -1);
    EXPECT_EQ(plugin->dispatch(vst::effSetTotalSampleToProcess, 0, 12345), 12345);
    EXPECT_EQ(plugin->dispatch(vst::effEditKeyDown, 'a', 0, nullptr, 0.0f), -1);
    EXPECT_EQ(plugin->dispatch(vst::effEditKeyUp, 'a', 0, nullptr, 0.0f), -1);
    EXPECT_EQ(plugin->dispatch(vst::effSetEditKnobMode, 0, 2), 0);
    for (vst::Int32 unsupported : {vst::effProcessEvents,
                                   vst::effString2Parameter,
                                   vst::effCopyProgram,
                                   vst::effGetCurrentPosition,
                                   vst::effGetDestinationBuffer,
                                   vst::effOfflineNotify,
                                   vst::effOfflinePrepare,
                                   vst::effOfflineRun,
                                   vst::effProcessVarIo,
                                   vst::effSetSpeakerArrangement,
                                   vst::effSetBypass,
                                   vst::effGetErrorText,
                                   vst::effVendorSpecific,
                                   vst::effGetTailSize,
                                   vst::effIdle,
                                   vst::effGetIcon,
                                   vst::effSetViewPosition,
                                   vst::effGetParameterProperties,
                                   vst::effGetMidiProgramName,
                                   vst::effGetMidiProgramCategory,
                                   vst::effHasMidiProgramsChanged,
                                   vst::effGetMidiKeyName,
                                   vst::effBeginSetProgram,
                                   vst::effEndSetProgram,
                                   vst::effShellGetNextPlugin,
                                   vst::effStartProcess,
                                   vst::effStopProcess,
                                   vst::effSetPanLaw,
                                   vst::effBeginLoadBank,
                                   vst::effBeginLoadProgram}) {
        char buffer[256];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(plugin->dispatch(unsupported, 0, 0, buffer), 0) << "opcode " << unsupported;
        EXPECT_EQ(buffer[0], 'x') << "opcode " << unsupported << " wrote into the host's buffer";
    }
}

TEST_F(LoadedPlugin, SpeakerArrangementRequestLeavesTheHostsPointersAlone) {
    void* input = reinterpret_cast<void*>(0x10);
    void* output = reinterpret_cast<void*>(0x20);
    EXPECT_EQ(
        plugin->dispatch(vst::effGetSpeakerArrangement, 0, reinterpret_cast<vst::IntPtr>(&input), &output),
        0);
    EXPECT_EQ(input, reinterpret_cast<void*>(0x10));
    EXPECT_EQ(output, reinterpret_cast<void*>(0x20));
}

TEST_F(LoadedPlugin, BlockSizeAndSampleRateRequestAnswersOneAndLeavesTheProgramAlone) {
    setProgram(6);
    EXPECT_EQ(plugin->dispatch(vst::effSetBlockSizeAndSampleRate, 0, 512, nullptr, 48000.0f), 1);
    EXPECT_EQ(currentProgram(), 6);
}

} // namespace
