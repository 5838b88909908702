#include "tools/tmx1-host/EffectPresets.h"

#include "presets/PresetFile.h"

#include <variant>
#include <vector>

namespace host {

namespace {

void setProgramValues(HostedEffect& effect, const presets::Program& program) {
    std::vector<char> name(program.name.begin(), program.name.end());
    name.push_back('\0');
    effect.dispatch(vst::effSetProgramName, 0, 0, name.data());
    for (std::size_t i = 0; i < program.values.size(); ++i)
        effect.setParameter(static_cast<vst::Int32>(i), program.values[i]);
}

} // namespace

presets::PluginIdentity presetIdentity(HostedEffect& effect) {
    const vst::AEffect& record = effect.record();
    std::string name = effect.text(vst::effGetEffectName);
    return {name.empty() ? "this plug-in" : name, record.uniqueID, record.version, record.numParams,
            record.numPrograms};
}

presets::Program currentProgram(HostedEffect& effect) {
    presets::Program program{effect.text(vst::effGetProgramName), {}};
    for (vst::Int32 i = 0; i < effect.record().numParams; ++i)
        program.values.push_back(effect.getParameter(i));
    return program;
}

presets::Bank allPrograms(HostedEffect& effect) {
    const vst::IntPtr current = effect.dispatch(vst::effGetProgram);
    presets::Bank bank;
    for (int p = 0; p < effect.record().numPrograms; ++p) {
        effect.dispatch(vst::effSetProgram, 0, p);
        bank.programs.push_back(currentProgram(effect));
    }
    effect.dispatch(vst::effSetProgram, 0, current);
    return bank;
}

void applyPreset(HostedEffect& effect, const presets::Preset& preset) {
    if (const auto* program = std::get_if<presets::Program>(&preset)) {
        setProgramValues(effect, *program);
        return;
    }
    const vst::IntPtr current = effect.dispatch(vst::effGetProgram);
    const auto& bank = std::get<presets::Bank>(preset);
    for (std::size_t p = 0; p < bank.programs.size(); ++p) {
        effect.dispatch(vst::effSetProgram, 0, static_cast<vst::IntPtr>(p));
        setProgramValues(effect, bank.programs[p]);
    }
    effect.dispatch(vst::effSetProgram, 0, current);
}

void applyPresetFile(HostedEffect& effect, const std::string& path) {
    applyPreset(effect, presets::readPresetFile(path, presetIdentity(effect)));
}

} // namespace host
