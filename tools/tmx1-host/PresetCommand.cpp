#include "tools/tmx1-host/PresetCommand.h"

#include "dsp/ParameterText.h"
#include "lv2/PortMap.h"
#include "presets/PresetCodec.h"
#include "presets/PresetFile.h"
#include "tools/tmx1-host/EffectPresets.h"
#include "tools/tmx1-host/EffectSetup.h"
#include "tools/tmx1-host/ParameterWords.h"

#include <charconv>
#include <filesystem>
#include <iomanip>
#include <string_view>

namespace host {

namespace {

// The program as the desktop limiter's file sets TMX-1: one line per control of its `control` block,
// named as the LV2 version names its ports and in the units the panel shows, each value the shortest
// text that reads back as the same port value.
void printLimiterControls(const presets::Program& program, std::ostream& out) {
    out << "# \"" << program.name << "\" for tmx1-limiter.conf: these lines replace its control block\n"
        << "control = {\n";
    for (int parameter = 0; parameter < static_cast<int>(program.values.size()); ++parameter) {
        const int port = tmx1::lv2::PortOfParameter(parameter);
        if (port < 0)
            continue;
        const float value =
            tmx1::lv2::ShownPortValue(parameter, program.values[static_cast<std::size_t>(parameter)]);
        char text[32];
        const auto length = static_cast<std::size_t>(std::to_chars(text, text + sizeof text, value).ptr - text);
        const std::string symbol = std::string("\"") + tmx1::lv2::kPortSymbols[static_cast<std::size_t>(port)] + "\"";
        out << "    " << std::left << std::setw(14) << symbol << " = " << std::string_view(text, length) << "\n";
    }
    out << "}\n";
}

} // namespace

int runPreset(Arguments arguments, const std::string& defaultPlugin, std::ostream& out) {
    const std::string pluginPath = arguments.option("--plugin").value_or(defaultPlugin);
    const std::optional<std::string> program = arguments.option("--program");
    const std::optional<std::string> preset = arguments.option("--preset");
    const std::vector<ParameterSetting> parameters = takeParameterWords(arguments);
    if (arguments.flag("--limiter")) {
        arguments.positionals(0, 0);
        Host host;
        std::unique_ptr<HostedEffect> effect = openEffect(host, pluginPath);
        applySettings(*effect, program, preset, parameters);
        printLimiterControls(currentProgram(*effect), out);
        return 0;
    }
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
