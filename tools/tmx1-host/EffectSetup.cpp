#include "tools/tmx1-host/EffectSetup.h"

#include "dsp/ParameterText.h"
#include "tools/tmx1-host/EditorOnScreen.h"
#include "tools/tmx1-host/EffectPresets.h"
#include "tools/tmx1-host/NumberText.h"

#include <algorithm>
#include <array>
#include <optional>

namespace host {

namespace {

std::optional<int> programByName(HostedEffect& effect, const std::string& name) {
    for (int p = 0; p < effect.record().numPrograms; ++p)
        if (programName(effect, p) == name)
            return p;
    return std::nullopt;
}

} // namespace

std::unique_ptr<HostedEffect> openEffect(Host& host, const std::string& path) {
    auto effect = std::make_unique<HostedEffect>(host, std::make_shared<const PluginLibrary>(path));
    effect->dispatch(vst::effOpen);
    return effect;
}

bool sameName(const std::string& a, const std::string& b) { return tmx1::sameLetters(a, b); }

bool isParameterSetting(const std::string& word) {
    const auto equals = word.find('=');
    return equals != std::string::npos && equals > 0 && word[0] != '-';
}

ParameterSetting parseParameterSetting(const std::string& text) {
    const auto equals = text.find('=');
    const auto index = equals == std::string::npos ? std::nullopt : parseInteger(text.substr(0, equals));
    const auto value = equals == std::string::npos ? std::nullopt : parseReal(text.substr(equals + 1));
    if (!index || !value)
        throw SetupError("parameter setting '" + text + "' is not INDEX=VALUE");
    if (*value < 0.0 || *value > 1.0)
        throw SetupError("parameter value " + text.substr(equals + 1) + " is outside 0..1");
    return {*index, static_cast<float>(*value), {}};
}

std::string programName(HostedEffect& effect, int index) {
    std::array<char, 512> name{};
    if (effect.dispatch(vst::effGetProgramNameIndexed, index, 0, name.data()) != 0)
        return name.data();
    // Older effects only name the current program.
    const vst::IntPtr current = effect.dispatch(vst::effGetProgram);
    effect.dispatch(vst::effSetProgram, 0, index);
    std::string text = effect.text(vst::effGetProgramName);
    effect.dispatch(vst::effSetProgram, 0, current);
    return text;
}

void selectProgram(HostedEffect& effect, const std::string& numberOrName) {
    const int count = effect.record().numPrograms;
    // An exact name wins, so that a program called "2" is still found by its name.
    std::optional<int> program = programByName(effect, numberOrName);
    if (!program) {
        program = parseInteger(numberOrName);
        if (program && (*program < 0 || *program >= count))
            throw SetupError("program " + numberOrName + " does not exist (the effect has " +
                             std::to_string(count) + " programs, numbered from 0)");
    }
    if (!program)
        throw SetupError("the effect has no program named \"" + numberOrName + "\"");
    effect.dispatch(vst::effSetProgram, 0, *program);
}

int findParameter(HostedEffect& effect, const std::string& name) {
    for (int i = 0; i < effect.record().numParams; ++i)
        if (effect.text(vst::effGetParamName, i) == name)
            return i;
    throw SetupError("the effect has no parameter named \"" + name + "\"");
}

void applyParameters(HostedEffect& effect, const std::vector<ParameterSetting>& settings) {
    const int count = effect.record().numParams;
    for (const auto& setting : settings) {
        if (setting.index < 0 || setting.index >= count)
            throw SetupError("parameter " + std::to_string(setting.index) +
                             " does not exist (the effect has " + std::to_string(count) + " parameters)");
        if (!setting.name.empty()) {
            const std::string actual = effect.text(vst::effGetParamName, setting.index);
            if (!sameName(actual, setting.name))
                throw SetupError("parameter " + std::to_string(setting.index) + " of this effect is \"" +
                                 actual + "\", not \"" + setting.name +
                                 "\": settings by name are for TMX-1, give others INDEX=VALUE");
        }
        effect.setParameter(setting.index, setting.value);
    }
}

void applySettings(HostedEffect& effect, const std::optional<std::string>& program,
                   const std::optional<std::string>& presetPath,
                   const std::vector<ParameterSetting>& parameters) {
    if (program)
        selectProgram(effect, *program);
    if (presetPath)
        applyPresetFile(effect, *presetPath);
    applyParameters(effect, parameters);
}

int parseEditorZoom(const std::string& text) {
    for (const char* step : {"100", "150", "200"})
        if (text == step)
            return std::stoi(text);
    throw SetupError("--zoom takes 100, 150 or 200, not " + text);
}

void applyEditorZoom(HostedEffect& effect, int percent) {
    if (!requestEditorZoom(effect.record(), percent))
        throw SetupError("the plug-in cannot show its editor at " + std::to_string(percent) + " %");
}

} // namespace host
