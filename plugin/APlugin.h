// The compressor effect: identity, parameters and programs live here; the signal path, the control
// mapping and the metering are members too but are implemented in dsp/.
#pragma once

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
    float paramValueAt(int index) const { return paramValue[static_cast<std::size_t>(index)].load(std::memory_order_relaxed); }
    int currentProgram() const { return curProgram.load(std::memory_order_relaxed); }
    void setEditorClosed(bool closed) { editorClosed.store(closed ? 1 : 0, std::memory_order_relaxed); }
    bool isEditorClosed() const { return editorClosed.load(std::memory_order_relaxed) != 0; }

    const std::string& getHostVendor() const { return hostVendor; }
    const std::string& getHostProduct() const { return hostProduct; }

  private:
    std::string askHostString(Int32 opcode);

    std::string hostVendor;
    std::string hostProduct;
    std::array<std::unique_ptr<APluginProgram>, kNumPrograms> programs;
    char decimalSeparator = '.';

    // Written by setParameter on any thread, read by the control update at each block start: the
    // value is stored before its flag is raised, and the flag is cleared before the value is read.
    std::array<std::atomic<float>, kNumParams> paramValue{};
    std::array<std::atomic<std::uint8_t>, kNumParams> paramChanged{};

    std::atomic<float> sampleRate{44100.0f};
    std::atomic<std::uint8_t> rateChanged{1};
    std::uint8_t firstBlock = 1;
    std::array<float, kNumParams> currentValue{};
    std::atomic<std::int32_t> releaseType{0}; // read by getParameterDisplay on the host's thread

    std::atomic<std::uint8_t> editorClosed{0};
};

} // namespace tmx1
