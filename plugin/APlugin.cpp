#include "plugin/APlugin.h"

#include "generated/ProductVersion.h"
#include "platform/Locale.h"
#include "plugin/APluginEditor.h"
#include "dsp/ParameterDisplay.h"
#include "plugin/VendorRequests.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace tmx1 {

namespace {

void copyText(char* destination, const char* text) { std::strcpy(destination, text); }

constexpr std::size_t at(Int32 index) { return static_cast<std::size_t>(index); }

} // namespace

APlugin::APlugin(vst::AudioMasterCallback audioMaster) : AudioEffectX(audioMaster, kNumPrograms, kNumParams) {
    hostVendor = askHostString(vst::audioMasterGetVendorString);
    hostProduct = askHostString(vst::audioMasterGetProductString);
    for (int p = 0; p < kNumPrograms; ++p)
        programs[at(p)] = std::make_unique<APluginProgram>(kFactoryPrograms[at(p)]);
    setEditor(std::make_unique<APluginEditor>(this));
    decimalSeparator = platform::userDecimalSeparator();

    hasVu(false);
    setNumInputs(2);
    setNumOutputs(2);
    canMono(true);
    canProcessReplacing(true);
    isSynth(false);
    setUniqueID(kUniqueId);
    cEffect.version = kVstVersion;
    setInitialDelay(compressor.latency());

    curProgram.store(0, std::memory_order_relaxed);
    setProgram(0);
    setFlag(vst::effFlagsHasEditor, true);
}

APlugin::~APlugin() {
    // The bridge goes first: closing an open window still needs the effect and its programs.
    setEditor(nullptr);
}

std::string APlugin::askHostString(Int32 opcode) {
    char text[64] = {};
    callHost(opcode, 0, 0, text, 0.0f);
    text[sizeof text - 1] = '\0'; // a host that fills the whole buffer does not leave us unterminated
    return text;
}

// --- parameters

void APlugin::setParameter(Int32 index, float value) {
    if (index < 0 || index >= kNumParams)
        return;
    value = clampedNormalised(value);
    programs[at(currentProgram())]->setValue(index, value);
    if (editor != nullptr)
        editor->postUpdate();
    compressor.setParameter(index, value);
    if (index == kTruePeak)
        reportLatency();
}

// True Peak changes the delay: the host compensates what we report, and is told when it changes while
// the effect runs.
void APlugin::reportLatency() {
    const int latency = compressor.latency();
    if (latency == getAeffect()->initialDelay)
        return;
    setInitialDelay(latency);
    callHost(vst::audioMasterIOChanged, 0, 0, nullptr, 0.0f);
}

float APlugin::getParameter(Int32 index) { return compressor.parameter(clampedReadIndex(index)); }

// Every display text carries its unit already ("-30.0 dB", "104.4 ms"); a label would only be
// printed after it by the host.
void APlugin::getParameterLabel(Int32, char* label) { copyText(label, ""); }

void APlugin::getParameterDisplay(Int32 index, char* text) {
    if (index < 0 || index >= kNumParams)
        return;
    const std::string display = parameterDisplayText(index, paramValueAt(index), decimalSeparator);
    if (!display.empty())
        copyText(text, display.c_str());
}

void APlugin::getParameterName(Int32 index, char* text) {
    copyText(text, kParameters[at(clampedReadIndex(index))].name);
}

// --- programs

void APlugin::setProgram(Int32 program) {
    if (program < 0 || program >= kNumPrograms)
        return;
    curProgram.store(program, std::memory_order_relaxed);
    for (int i = 0; i < kNumParams; ++i)
        setParameter(i, programs[at(program)]->value(i));
}

void APlugin::setProgramName(char* name) { programs[at(currentProgram())]->setName(name); }

void APlugin::getProgramName(char* name) { copyText(name, programs[at(currentProgram())]->getName()); }

bool APlugin::getProgramNameIndexed(Int32, Int32 index, char* text) {
    if (index < 0 || index >= kNumPrograms)
        return false;
    copyText(text, programs[at(index)]->getName());
    return true;
}

// --- identity

bool APlugin::getEffectName(char* name) {
    copyText(name, kEffectName);
    return true;
}

bool APlugin::getVendorString(char* text) {
    copyText(text, kVendorName);
    return true;
}

bool APlugin::getProductString(char* text) {
    copyText(text, kProductName);
    return true;
}

bool APlugin::getOutputProperties(Int32 index, vst::VstPinProperties* properties) {
    if (index < 0 || index >= 2)
        return false;
    // Only these two fields: some hosts hand us a smaller struct than the interface declares.
    std::snprintf(properties->label, sizeof properties->label, " %d", index + 1);
    properties->flags = vst::kVstPinIsActive;
    properties->flags |= vst::kVstPinIsStereo;
    return true;
}

// --- the host's and our own requests

IntPtr APlugin::vendorSpecific(Int32 index, IntPtr value, void* ptr, float opt) {
    if (index == kHostScaleIndex && value == kHostScaleValue) {
        hostScale.store(opt, std::memory_order_relaxed); // the editor judges what it is worth
        return 1;
    }
    if (index == kMakerCode && value == kEditorZoomRequest) {
        auto* bridge = static_cast<APluginEditor*>(editor.get());
        // No zoom step lies outside 1..1000 %: any other float (NaN too) is refused before it is
        // converted, which for a value beyond int would be undefined.
        const bool percent = opt >= 1.0f && opt <= 1000.0f;
        return bridge != nullptr && percent && bridge->forceZoom(static_cast<int>(opt)) ? 1 : 0;
    }
    if (index != kMakerCode || ptr == nullptr)
        return 0;
    if (value == kProductVersionRequest) {
        std::snprintf(static_cast<char*>(ptr), kVersionTextSize, "%s", kProductVersion);
        return 1;
    }
    auto* bridge = static_cast<APluginEditor*>(editor.get());
    if (value != kHeadlessScreenRequest || bridge == nullptr)
        return 0;
    bridge->openNextOnScreen(*static_cast<platform::headless::Screen*>(ptr));
    return 1;
}

// --- processing: the signal path is in dsp/

void APlugin::setSampleRate(float rate) {
    compressor.setSampleRate(rate);
}

void APlugin::suspend() { compressor.suspend(); }

// A new rate changes the look-ahead: the host compensates what we report.
// (The host reads the delay after a resume: no need to tell it.)
void APlugin::resume() {
    compressor.resume();
    setInitialDelay(compressor.latency());
}

void APlugin::process(float** inputs, float** outputs, Int32 sampleFrames) {
    compressor.processAccumulating(inputs, outputs, sampleFrames);
}

void APlugin::processReplacing(float** inputs, float** outputs, Int32 sampleFrames) {
    compressor.process(inputs, outputs, sampleFrames);
}

} // namespace tmx1
