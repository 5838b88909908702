#include "tools/tmx1-host/PresetCommand.h"

#include "dsp/ParameterText.h"
#include "presets/PresetCodec.h"
#include "presets/PresetFile.h"
#include "tools/tmx1-host/EffectPresets.h"
#include "tools/tmx1-host/EffectSetup.h"
#include "tools/tmx1-host/ParameterWords.h"

#include <filesystem>

namespace host {

int runPreset(Arguments arguments, const std::string& defaultPlugin, std::ostream& out) {
    const std::string pluginPath = arguments.option("--plugin").value_or(defaultPlugin);
    const std::optional<std::string> program = arguments.option("--program");
    const std::optional<std::string> preset = arguments.option("--preset");
    const std::vector<ParameterSetting> parameters = takeParameterWords(arguments);
    const std::string outputPath = arguments.positionals(1, 1)[0];
    const std::string ending = std::filesystem::path(outputPath).extension().string();
    const bool bank = tmx1::sameLetters(ending, ".fxb");
    if (!bank && !tmx1::sameLetters(ending, ".fxp"))
        throw UsageError(
            "a preset file ends in .fxp (one program) or .fxb (the bank of every program), not '" +
            outputPath + "'");

    Host host;
    std::unique_ptr<HostedEffect> effect = openEffect(host, pluginPath);
    applySettings(*effect, program, preset, parameters);
    const presets::PluginIdentity identity = presetIdentity(*effect);
    if (bank) {
        presets::writePresetFile(outputPath, presets::encodeBank(allPrograms(*effect), identity));
        out << "wrote " << outputPath << ": the bank of " << identity.programCount << " programs\n";
    } else {
        const presets::Program current = currentProgram(*effect);
        presets::writePresetFile(outputPath, presets::encodeProgram(current, identity));
        out << "wrote " << outputPath << ": program \"" << current.name << "\"\n";
    }
    return 0;
}

} // namespace host
