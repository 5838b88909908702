// The compressor as a VST 2 effect: identity, parameters and programs as the host sees them. The
// signal path, the control mapping and the metering are the compressor's (dsp/Compressor.h), which
// the effect owns and forwards to.
#pragma once

#include "dsp/APluginProgram.h"
#include "dsp/Compressor.h"
#include "dsp/ParameterTable.h"
#include "dsp/ProductIdentity.h"
#include "plugin/AudioEffectX.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace tmx1 {

class APluginEditor;

inline constexpr vst::Int32 kUniqueId = kVstUniqueId;

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
    float paramValueAt(int index) const { return compressor.parameter(index); }
    int currentProgram() const { return curProgram.load(std::memory_order_relaxed); }
    void setEditorClosed(bool closed) { compressor.setMetering(!closed); }
    bool isEditorClosed() const { return !compressor.isMetering(); }

    const std::string& getHostVendor() const { return hostVendor; }
    const std::string& getHostProduct() const { return hostProduct; }
    // The editor scale the host announced last, as it came; 0 when it announced none.
    float hostWindowScale() const { return hostScale.load(std::memory_order_relaxed); }

    // --- meters, written by the audio thread and read by the editor bridge on its idle
    float meterValue(int which) const { return compressor.meterValue(which); }
    bool isOcLatched() const { return compressor.isOcLatched(); }
    void requestOcAcknowledge() { compressor.requestOcAcknowledge(); }

  private:
    void reportLatency();
    friend struct APluginProbe; // tests look at the compressor's signal state

    std::string askHostString(Int32 opcode);

    std::string hostVendor;
    std::string hostProduct;
    // Written by whichever thread the host announces its scale from, read by the editor's.
    std::atomic<float> hostScale{0.0f};
    std::array<std::unique_ptr<APluginProgram>, kNumPrograms> programs;
    char decimalSeparator = '.';

    Compressor compressor;
};

} // namespace tmx1
