#include "tests/clap/VstReference.h"

#include "clap/ClapParameters.h"

namespace claptest {

namespace {

vst::IntPtr versionOnly(vst::AEffect*, vst::Int32 opcode, vst::Int32, vst::IntPtr, void*, float) {
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

} // namespace

VstEffect::VstEffect(int rate, int program) : effect(versionOnly) {
    vst::AEffect* record = effect.getAeffect();
    record->dispatcher(record, vst::effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    record->dispatcher(record, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
    effect.setProgram(program);
}

void VstEffect::set(clap::clap_id id, double plain) {
    const int index = static_cast<int>(id);
    effect.setParameter(index, tmx1::clapparams::normalisedOf(index, plain));
}

std::string VstEffect::display(clap::clap_id id) {
    char text[64] = {};
    effect.getParameterDisplay(static_cast<vst::Int32>(id), text);
    return text;
}

Stereo VstEffect::process(const Stereo& in) {
    Stereo out(in.frames());
    float* inputs[2] = {const_cast<float*>(in.left.data()), const_cast<float*>(in.right.data())};
    float* outputs[2] = {out.left.data(), out.right.data()};
    effect.processReplacing(inputs, outputs, static_cast<vst::Int32>(in.frames()));
    return out;
}

} // namespace claptest
