// The compressor effect: identity, parameters and programs live here; the signal path, the control
// mapping and the metering are members too but are implemented in dsp/.
#pragma once

#include "dsp/AudioState.h"
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

enum MeterIndex : int { kMeterInL = 0, kMeterInR, kMeterOutL, kMeterOutR, kMeterCpL, kMeterCpR, kNumMeters };

inline constexpr vst::Int32 kUniqueId = vst::fourCharCode("q4y9");
inline constexpr vst::Int32 kReportedInitialDelay = 22;
inline constexpr const char* kEffectName = "TMX-1";
inline constexpr const char* kVendorName = "Brindlow Audio";
inline constexpr const char* kProductName = "TMX-1";

// How hosts tell every plug-in the scale of the editor windows they show (1.5 for 150 %), the factor
// in opt: another maker's request, which they send to everyone.
inline constexpr vst::Int32 kHostScaleIndex = vst::fourCharCode("PreS");
inline constexpr vst::IntPtr kHostScaleValue = vst::fourCharCode("AeCs");

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
    // The host's editor scale (kHostScaleIndex) and our own host's and tests' requests
    // (plugin/VendorRequests.h); every other one answers 0.
    IntPtr vendorSpecific(Int32 index, IntPtr value, void* ptr, float opt) override;
    Int32 canDo(const char*) override { return -1; }
    bool getOutputProperties(Int32 index, vst::VstPinProperties* properties) override;
    float getVu() override { return 0.0f; }

    // --- processing
    void setSampleRate(float sampleRate) override;
    void suspend() override;
    void resume() override;
    void process(float** inputs, float** outputs, Int32 sampleFrames) override;
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
    // The editor scale the host announced last, as it came; 0 when it announced none.
    float hostWindowScale() const { return hostScale.load(std::memory_order_relaxed); }

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
    void takeParameterChange(int index);
    void applyParameterWork(int index, float previousTarget);
    void startRamp(int index);
    void rebuildGainCurve();
    void computeRateConstants();

    // --- signal path (dsp/BlockDriver.cpp)
    template <bool accumulate> void processBlock(float** inputs, float** outputs, Int32 sampleFrames);
    void loadBlockState(BlockState& s);
    void storeBlockState(const BlockState& s);
    float staticGain(float level) const;

    // --- metering (dsp/Metering.cpp)
    void resetMeters();

    std::string hostVendor;
    std::string hostProduct;
    // Written by whichever thread the host announces its scale from, read by the editor's.
    std::atomic<float> hostScale{0.0f};
    std::array<std::unique_ptr<APluginProgram>, kNumPrograms> programs;
    char decimalSeparator = '.';

    // What the audio thread shares with the other threads: each field is written whole by one side
    // and read by the other, without locks. The audio thread's own state lies between the two
    // directions, so that the meters published at every block end do not share a cache line with the
    // parameters the editor writes.
    //
    // Written by the host's or the editor's thread, read by the audio thread:
    //   paramValue[10]     normalised values 0..1; setParameter (any thread), relaxed store
    //   paramChanged[10]   change flags; raised after the value (release), cleared before the
    //                      value is read (acquire) by applyParameterChanges; setSampleRate raises all
    //   sampleRate         Hz; setSampleRate; read by resume and by the release mapping
    //   rateChanged        sampleRate changed since the last resume
    //   ocAckRequest       raised by the editor after each display; the metering clears it
    //   editorClosed       the editor bridge sets it on close and clears it on open; metering runs
    //                      while it is clear
    std::array<std::atomic<float>, kNumParams> paramValue{};
    std::array<std::atomic<std::uint8_t>, kNumParams> paramChanged{};
    std::atomic<float> sampleRate{44100.0f};
    std::atomic<std::uint8_t> rateChanged{1};
    std::atomic<std::uint8_t> ocAckRequest{0};
    std::atomic<std::uint8_t> editorClosed{0};

    // Everything else the signal path holds: the audio thread's own (dsp/AudioState.h). The dither
    // generator's state is process-wide (dsp/Dither.h).
    AudioState audio;

    // Written by the audio thread, read by the others:
    //   meters[6]          in the order the editor copies them (In L, In R, Out L, Out R, Cp L,
    //                      Cp R), only while the editor is open; the editor bridge reads them on idle
    //   ocLatched          over-compression, latched by the metering
    std::array<std::atomic<float>, kNumMeters> meters{};
    std::atomic<std::uint8_t> ocLatched{0};
};

} // namespace tmx1
