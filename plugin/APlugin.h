// The compressor effect: identity, parameters and programs live here; the signal path, the control
// mapping and the metering are members too but are implemented in dsp/.
#pragma once

#include "dsp/ReleaseChannel.h"
#include "plugin/APluginProgram.h"
#include "plugin/AudioEffectX.h"
#include "plugin/ParameterTable.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace tmx1 {

class APluginEditor;
struct BlockState; // a block's working copy of the signal state (dsp/BlockState.h)

// The copies of the signal path's block loop, by the instructions they use.
enum class LoopWidth : std::uint8_t { baseline, avx2, avx512 };

enum MeterIndex : int { kMeterInL = 0, kMeterInR, kMeterOutL, kMeterOutR, kMeterCpL, kMeterCpR, kNumMeters };

inline constexpr vst::Int32 kUniqueId = vst::fourCharCode("q4y9");
inline constexpr vst::Int32 kReportedInitialDelay = 22;
inline constexpr const char* kEffectName = "TMX-1";
inline constexpr const char* kVendorName = "Brindlow Audio";
inline constexpr const char* kProductName = "TMX-1";

class APlugin : public AudioEffectX {
  public:
    explicit APlugin(vst::AudioMasterCallback audioMaster);
    ~APlugin() override;

    // --- parameters
    void setParameter(Int32 index, float value) override;
    float getParameter(Int32 index) override;
    void getParameterLabel(Int32 index, char* label) override;
    void getParameterDisplay(Int32 index, char* text) override;
    void getParameterName(Int32 index, char* text) override;

    // --- programs
    void setProgram(Int32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(Int32 category, Int32 index, char* text) override;

    // --- identity
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    Int32 getVendorVersion() override { return 1; }
    // Our own host's and tests' requests (plugin/VendorRequests.h); every other one answers 0.
    IntPtr vendorSpecific(Int32 index, IntPtr value, void* ptr, float opt) override;
    Int32 canDo(const char*) override { return -1; }
    bool getOutputProperties(Int32 index, vst::VstPinProperties* properties) override;
    float getVu() override { return 0.0f; }

    // --- processing
    void setSampleRate(float sampleRate) override;
    void suspend() override;
    void resume() override;
    void process(float** inputs, float** outputs, Int32 sampleFrames) override;
    // The widest copy of the block loop this processor can run.
    static LoopWidth widestLoops();
    void processReplacing(float** inputs, float** outputs, Int32 sampleFrames) override;

    // --- shared with the editor bridge
    float paramValueAt(int index) const {
        return paramValue[static_cast<std::size_t>(index)].load(std::memory_order_relaxed);
    }
    int currentProgram() const { return curProgram.load(std::memory_order_relaxed); }
    void setEditorClosed(bool closed) { editorClosed.store(closed ? 1 : 0, std::memory_order_relaxed); }
    bool isEditorClosed() const { return editorClosed.load(std::memory_order_relaxed) != 0; }

    const std::string& getHostVendor() const { return hostVendor; }
    const std::string& getHostProduct() const { return hostProduct; }

    // --- meters, written by the audio thread and read by the editor bridge on its idle
    float meterValue(int which) const {
        return meters[static_cast<std::size_t>(which)].load(std::memory_order_relaxed);
    }
    bool isOcLatched() const { return ocLatched.load(std::memory_order_relaxed) != 0; }
    void requestOcAcknowledge() { ocAckRequest.store(1, std::memory_order_relaxed); }

  private:
    friend struct APluginProbe; // tests look at the signal state

    std::string askHostString(Int32 opcode);

    // --- control mapping (dsp/ControlMapping.cpp)
    void applyParameterChanges();
    void applyParameterWork(int index);
    void startRamp(int index);
    void rebuildGainCurve();
    void computeRateConstants();

    // --- signal path (dsp/SignalPath.cpp)
    template <bool accumulate> void processBlock(float** inputs, float** outputs, Int32 sampleFrames);
    void loadBlockState(BlockState& s);
    void storeBlockState(const BlockState& s);
    float staticGain(float level) const;

    // --- metering (dsp/Metering.cpp)
    void resetMeters();

    std::string hostVendor;
    std::string hostProduct;
    std::array<std::unique_ptr<APluginProgram>, kNumPrograms> programs;
    char decimalSeparator = '.';

    // State of the signal path. Units: levels are linear amplitudes (1.0 = full scale), gains linear
    // factors (1.0 = no reduction), times seconds; all stored as float. "Audio" means written only
    // on the host's audio thread, inside process/processReplacing; suspend also resets some of it
    // (the host does not process while suspended).
    //
    // Parameters, shared between threads:
    //   paramValue[10]     normalised values 0..1; setParameter (any thread), relaxed store
    //   paramChanged[10]   change flags; raised after the value (release), cleared before the
    //                      value is read (acquire) by applyParameterChanges; setSampleRate raises all
    //   sampleRate         Hz; setSampleRate; read by resume and by the release mapping
    //   rateChanged        sampleRate changed since the last resume
    // Control mapping (audio; dsp/ControlMapping.cpp):
    //   targetValue[10]    mapped value of each parameter; for Release its retention coefficient
    //   currentValue[10]   the ramped value the signal path reads
    //   rampStep[10], rampCount[10], rampRemaining, rampLength: 100 ms linear ramps in samples
    //   firstBlock         the first block takes every value without a ramp
    //   curveDirty         gainCurve must be rebuilt once no ramp runs; until then the formula is used
    //   gainCurve[2002]    static gain at input levels j * 0.001
    //   releaseType        0..4, the type the release cascade runs
    //   preTime(Fast), preCoef(Fast): pre-stage time constants of the release type and coefficients
    // Rate-dependent constants (resume; also at construction so early audio is sane):
    //   fastReleaseCoef (2 ms), pdeCoef (100 ms average), smoothCoef (0.1 ms), optoCoef (45 ms),
    //   brickCoef (1 ms), lookahead (0.5 ms, samples), meterPeriod (100 ms), meterCoef (200 ms decay)
    // Per channel (audio; left and right, right idle while Stereo Link is on):
    //   stage[6]           release-stage gains s1..s6
    //   releaseCoef, preCoef  coefficients for the next sample (PDE moves them)
    //   pdeEnv             slow average of the gain for PDE
    //   smooth[3]          three-pole gain smoother; 1.0 after suspend
    //   brick              brick-wall gain; 1.0 when Brick-Wall changes
    // Look-ahead (audio): delayL/delayR[256], delayWrite (newest sample); zeroed by suspend.
    // loopWidth: which copy of the block loop runs, the widest the processor has (tests choose the
    //   others too).
    // Metering (audio, only while the editor is open; dsp/Metering.cpp): meters[6] (shared with the
    //   editor, relaxed), meanSq, peakSq, meterCount, ocLatched (shared); ocAckRequest is raised by
    //   the editor after each display and cleared here.
    std::array<std::atomic<float>, kNumParams> paramValue{};
    std::array<std::atomic<std::uint8_t>, kNumParams> paramChanged{};
    std::atomic<float> sampleRate{44100.0f};
    std::atomic<std::uint8_t> rateChanged{1};

    std::array<float, kNumParams> targetValue{};
    std::array<float, kNumParams> currentValue{};
    std::array<float, kNumParams> rampStep{};
    std::array<std::uint16_t, kNumParams> rampCount{};
    std::uint16_t rampRemaining = 0;
    std::uint16_t rampLength = 0;
    std::uint8_t firstBlock = 1;
    std::uint8_t curveDirty = 0;
    std::array<float, 2002> gainCurve{};
    std::atomic<std::int32_t> releaseType{0};
    float preTime = 0.0f, preTimeFast = 0.0f;
    float preCoef = 0.0f, preCoefFast = 0.0f;

    float fastReleaseCoef = 0.0f, pdeCoef = 0.0f, smoothCoef = 0.0f, optoCoef = 0.0f, brickCoef = 0.0f;
    std::uint16_t lookahead = 0;
    std::int32_t meterPeriod = 0;
    float meterCoef = 0.0f;

    ReleaseChannel channelL, channelR;

    std::array<float, 256> delayL{}, delayR{};
    std::uint8_t delayWrite = 0;
    LoopWidth loopWidth = widestLoops();

    // Meter order as the editor copies them: In L, In R, Out L, Out R, Cp L, Cp R.
    std::array<std::atomic<float>, 6> meters{};
    float meanSqL = 0.0f, meanSqR = 0.0f, peakSqL = 0.0f, peakSqR = 0.0f;
    std::uint32_t meterCount = 0;
    std::atomic<std::uint8_t> ocLatched{0};
    std::atomic<std::uint8_t> ocAckRequest{0};
    std::atomic<std::uint8_t> editorClosed{0};
};

} // namespace tmx1
