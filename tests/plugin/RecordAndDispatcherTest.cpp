// The effect record a host receives, the base dispatcher's answers, and the editor requests.
#include "platform/headless/Screen.h"
#include "tests/support/LoadedPlugin.h"

#include "platform/FloatingPoint.h"
#include "platform/SharedLibrary.h"
#include "plugin/VendorRequests.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>
#include <xmmintrin.h>

using testing_support::LoadedPlugin;

namespace {

TEST_F(LoadedPlugin, RecordHoldsTheAnnouncedValuesAfterConstruction) {
    const vst::AEffect& r = plugin->record();
    EXPECT_EQ(r.magic, 0x56737450);
    EXPECT_EQ(r.numPrograms, 10);
    EXPECT_EQ(r.numParams, 10);
    EXPECT_EQ(r.numInputs, 2);
    EXPECT_EQ(r.numOutputs, 2);
    EXPECT_EQ(r.flags, 0x19);
    EXPECT_EQ(r.resvd1, 0);
    EXPECT_EQ(r.resvd2, 0);
    EXPECT_EQ(r.initialDelay, 22);
    EXPECT_EQ(r.realQualities, 0);
    EXPECT_EQ(r.offQualities, 0);
    EXPECT_EQ(r.ioRatio, 1.0f);
    EXPECT_EQ(r.uniqueID, 0x71347939);
    EXPECT_EQ(r.uniqueID, 1899264313);
    EXPECT_EQ(r.version, 1);
    EXPECT_NE(r.object, nullptr);
    EXPECT_NE(r.dispatcher, nullptr);
    EXPECT_NE(r.process, nullptr);
    EXPECT_NE(r.processReplacing, nullptr);
    EXPECT_EQ(r.processDoubleReplacing, nullptr);
    for (char byte : r.future)
        EXPECT_EQ(byte, 0);
    EXPECT_EQ(currentProgram(), 0);
}

TEST_F(LoadedPlugin, BaseDispatcherAnswersItsFixedRequests) {
    EXPECT_EQ(plugin->dispatch(vst::effIdentify), 0x4E764566);
    EXPECT_EQ(plugin->dispatch(vst::effGetVu), 0);
    EXPECT_EQ(plugin->dispatch(vst::effOpen), 0);
    EXPECT_EQ(plugin->dispatch(vst::effMainsChanged, 0, 1), 0);
    EXPECT_EQ(plugin->dispatch(vst::effMainsChanged, 0, 0), 0);
    EXPECT_EQ(plugin->dispatch(vst::effSetBlockSize, 0, 4096), 0);
    EXPECT_EQ(plugin->dispatch(vst::effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
    for (vst::Int32 ignored :
         {vst::effEditDraw, vst::effEditMouse, vst::effEditKey, vst::effEditTop, vst::effEditSleep})
        EXPECT_EQ(plugin->dispatch(ignored), 0) << "opcode " << ignored;
}

TEST_F(LoadedPlugin, UnknownOpcodesAnswerZero) {
    for (vst::Int32 opcode : {77, 78, 100, 1000, -1, -100})
        EXPECT_EQ(plugin->dispatch(opcode, 1, 1, nullptr, 1.0f), 0) << "opcode " << opcode;
}

TEST_F(LoadedPlugin, ChunkRequestsAnswerZeroAndLeaveThePointerAlone) {
    void* sentinel = reinterpret_cast<void*>(0x1234);
    void* chunk = sentinel;
    EXPECT_EQ(plugin->dispatch(vst::effGetChunk, 0, 0, &chunk), 0);
    EXPECT_EQ(plugin->dispatch(vst::effGetChunk, 1, 0, &chunk), 0);
    EXPECT_EQ(chunk, sentinel);
    char data[16] = {};
    EXPECT_EQ(plugin->dispatch(vst::effSetChunk, 0, sizeof data, data), 0);
}

TEST_F(LoadedPlugin, NullPointerRequestsDoNothingAndAnswerZero) {
    for (vst::Int32 opcode :
         {vst::effSetProgramName, vst::effGetProgramName, vst::effGetParamLabel, vst::effGetParamDisplay,
          vst::effGetParamName, vst::effEditGetRect, vst::effGetChunk, vst::effSetChunk,
          vst::effGetProgramNameIndexed, vst::effGetInputProperties, vst::effGetOutputProperties,
          vst::effGetEffectName, vst::effGetVendorString, vst::effGetProductString, vst::effCanDo,
          vst::effGetSpeakerArrangement})
        EXPECT_EQ(plugin->dispatch(opcode, 0, 0, nullptr), 0) << "opcode " << opcode;
    EXPECT_EQ(programName(), "Warm Tollimation");
}

TEST_F(LoadedPlugin, CloseAnswersOneAndEndsTheInstance) { EXPECT_EQ(plugin->close(), 1); }

TEST_F(LoadedPlugin, EditorRectIsTheFixedPanelSizeAlsoBeforeOpening) {
    vst::ERect* rect = nullptr;
    ASSERT_EQ(plugin->dispatch(vst::effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 265);
    EXPECT_EQ(rect->right, 570);
}

TEST_F(LoadedPlugin, EditorRequestsInTheWrongStateDoNothing) {
    EXPECT_EQ(plugin->dispatch(vst::effEditIdle), 0);
    EXPECT_EQ(plugin->dispatch(vst::effEditClose), 0);
    platform::headless::Screen screen;
    EXPECT_EQ(openEditorOn(screen), 1);
    EXPECT_EQ(openEditorOn(screen), 1); // no second window
    EXPECT_EQ(screen.WindowCount(), 1);
    EXPECT_EQ(plugin->dispatch(vst::effEditIdle), 0);
    EXPECT_EQ(plugin->dispatch(vst::effEditClose), 0);
    EXPECT_EQ(plugin->dispatch(vst::effEditClose), 0);
    EXPECT_EQ(openEditorOn(screen), 1); // opens again after a close
}

// Only our own host and tests put the editor on a headless screen, with our maker's code; a host's
// handle, a screen's address included, is always taken for a native window.
TEST_F(LoadedPlugin, TheHeadlessScreenNeedsOurMakerCodeAndServesOneOpening) {
    platform::headless::Screen screen;
    EXPECT_EQ(
        plugin->dispatch(vst::effVendorSpecific, tmx1::kMakerCode + 1, tmx1::kHeadlessScreenRequest, &screen),
        0);
    EXPECT_EQ(
        plugin->dispatch(vst::effVendorSpecific, tmx1::kMakerCode, tmx1::kHeadlessScreenRequest + 1, &screen),
        0);
    EXPECT_EQ(
        plugin->dispatch(vst::effVendorSpecific, tmx1::kMakerCode, tmx1::kHeadlessScreenRequest, nullptr), 0);
    EXPECT_EQ(plugin->dispatch(vst::effEditOpen, 0, 0, &screen), 0) << "a screen's address is no window";
    EXPECT_EQ(screen.WindowCount(), 0);

    ASSERT_EQ(openEditorOn(screen), 1);
    EXPECT_EQ(screen.WindowCount(), 1);
    EXPECT_EQ(plugin->dispatch(vst::effEditClose), 0);
    EXPECT_EQ(plugin->dispatch(vst::effEditOpen, 0, 0, &screen), 0) << "the request served one opening";
    EXPECT_EQ(screen.WindowCount(), 0);
}

// Hosts announce their editor scale to every plug-in with another maker's codes; a plug-in that
// answers 0 is scaled by the host instead, or not at all.
TEST_F(LoadedPlugin, TheHostsEditorScaleIsTakenOnlyWithItsOwnCodes) {
    const auto announce = [this](vst::Int32 index, vst::IntPtr value) {
        return plugin->dispatch(vst::effVendorSpecific, index, value, nullptr, 1.5f);
    };
    const vst::Int32 index = vst::fourCharCode("PreS");
    const vst::IntPtr value = vst::fourCharCode("AeCs");
    EXPECT_EQ(announce(index, value), 1);
    EXPECT_EQ(announce(index, value + 1), 0);
    EXPECT_EQ(announce(index + 1, value), 0);
    EXPECT_EQ(announce(tmx1::kMakerCode, value), 0);
    EXPECT_EQ(announce(static_cast<vst::Int32>(value), index), 0) << "index and value swapped";
}

TEST_F(LoadedPlugin, ClosingWithTheEditorOpenIsClean) {
    platform::headless::Screen screen;
    ASSERT_EQ(openEditorOn(screen), 1);
    EXPECT_EQ(plugin->close(), 1);
}

// A block of any length is processed whole and goes on exactly where the last one stopped; a block
// of no frames or without buffers writes nothing and leaves the effect's state alone. So the signal
// cut into such blocks comes out as it does from one block (but for the dither, far below 1e-6).
TEST_F(LoadedPlugin, BlocksOfAnySizeAreSafe) {
    constexpr int kFrames = 1 + 7 + 512 + 4097;
    constexpr int kGuard = 64;
    constexpr float kUntouched = 7.0f;
    std::vector<float> inLeft(kFrames), inRight(kFrames);
    for (std::size_t i = 0; i < inLeft.size(); ++i) { // loud enough to be compressed
        inLeft[i] = static_cast<float>(2.0 * std::sin(double(i) * 0.05));
        inRight[i] = static_cast<float>(1.5 * std::sin(double(i) * 0.031));
    }
    std::vector<float> outLeft(kFrames + kGuard, kUntouched), outRight(kFrames + kGuard, kUntouched);
    int at = 0;
    for (int frames : {1, 7, 512, 4097}) {
        float* in[2] = {inLeft.data() + at, inRight.data() + at};
        float* out[2] = {outLeft.data() + at, outRight.data() + at};
        plugin->processReplacing(in, out, frames);
        at += frames;
        // Calls that must write nothing, aimed at what the next block (or the guard) will hold.
        float* next[2] = {outLeft.data() + at, outRight.data() + at};
        float* none[2] = {nullptr, nullptr};
        plugin->processReplacing(in, next, 0);
        plugin->processReplacing(in, next, -5);
        plugin->processReplacing(none, next, kGuard);
        plugin->processReplacing(in, none, kGuard);
        plugin->processReplacing(nullptr, nullptr, kGuard);
        plugin->process(in, next, 0);
        plugin->process(nullptr, nullptr, kGuard);
        const auto untouched = [&](const std::vector<float>& channel) {
            return std::all_of(channel.begin() + at, channel.begin() + at + kGuard,
                               [](float sample) { return sample == kUntouched; });
        };
        EXPECT_TRUE(untouched(outLeft) && untouched(outRight)) << "written past a block of " << frames;
    }

    host::HostedEffect whole(host, testing_support::tmx1Library());
    std::vector<float> wholeLeft(kFrames), wholeRight(kFrames);
    float* in[2] = {inLeft.data(), inRight.data()};
    float* out[2] = {wholeLeft.data(), wholeRight.data()};
    whole.processReplacing(in, out, kFrames);
    int differing = 0;
    for (std::size_t i = 0; i < wholeLeft.size(); ++i)
        if (std::fabs(outLeft[i] - wholeLeft[i]) > 1e-6f || std::fabs(outRight[i] - wholeRight[i]) > 1e-6f)
            ++differing;
    EXPECT_EQ(differing, 0) << "frames that differ from the signal processed in one block";
}

TEST(InstancesAndEntries, EveryEntryCallCreatesAnIndependentInstance) {
    host::Host host;
    host::HostedEffect first(host, testing_support::tmx1Library());
    host::HostedEffect second(host, testing_support::tmx1Library());
    EXPECT_NE(&first.record(), &second.record());
    first.setParameter(0, 0.25f);
    first.dispatch(vst::effSetProgram, 0, 4);
    EXPECT_EQ(second.getParameter(0), 0.8f);
    EXPECT_EQ(second.dispatch(vst::effGetProgram), 0);
}

TEST(InstancesAndEntries, BothExportedEntriesCreateAnEffect) {
    platform::SharedLibrary library(TMX1_PLUGIN_PATH);
    for (const char* name : {"VSTPluginMain", "main"}) {
        auto entry = reinterpret_cast<vst::MainEntry>(library.symbol(name));
        ASSERT_NE(entry, nullptr) << name;
        auto callback = [](vst::AEffect*, vst::Int32 opcode, vst::Int32, vst::IntPtr, void*,
                           float) -> vst::IntPtr { return opcode == vst::audioMasterVersion ? 2400 : 0; };
        vst::AEffect* effect = entry(callback);
        ASSERT_NE(effect, nullptr) << name;
        EXPECT_EQ(effect->uniqueID, 0x71347939) << name;
        EXPECT_EQ(effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f), 1);
    }
}

TEST(InstancesAndEntries, EntryWithoutHostCallbackCreatesNothing) {
    platform::SharedLibrary library(TMX1_PLUGIN_PATH);
    auto entry = reinterpret_cast<vst::MainEntry>(library.symbol("VSTPluginMain"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry(nullptr), nullptr);
}

TEST(InstancesAndEntries, ConstructionMasksFloatingPointExceptions) {
    const unsigned saved = _mm_getcsr();
    _mm_setcsr(saved & ~0x1F80u); // unmask everything, as a careless host might
    ASSERT_FALSE(platform::floatingPointExceptionsMasked());
    host::Host host;
    vst::AEffect* effect = host.instantiate(*testing_support::tmx1Library());
    const unsigned after = _mm_getcsr();
    _mm_setcsr(saved);
    ASSERT_NE(effect, nullptr);
    effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(after & 0x1F80u, 0x1F80u);
    // Only the masks: rounding mode, flush-to-zero and denormals-are-zero are the host's.
    EXPECT_EQ(after & ~0x1F80u & ~0x3Fu, saved & ~0x1F80u & ~0x3Fu);
}

} // namespace
