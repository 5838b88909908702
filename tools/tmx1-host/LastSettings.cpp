#include "tools/tmx1-host/LastSettings.h"

#include "platform/UserSettings.h"

#include <cmath>
#include <optional>
#include <string>

namespace host {

namespace {

// "Brindlow Audio/TMX-1 Standalone.conf" in the user's settings folder on Linux, beside the file with
// the panel's own settings.
constexpr const char* kKeyPath = "\\Software\\Brindlow Audio\\TMX-1 Standalone";
constexpr const char* kEffectName = "Effect";
constexpr const char* kProgramName = "Program";

// The settings hold whole numbers: a normalised value is kept in units of 2^-30, which holds every
// float from 1/128 to 1 exactly and the smaller ones to within 2^-31 (far below what a control can show).
constexpr double kValueUnit = 1073741824.0;

std::string parameterName(int index) { return "Parameter " + std::to_string(index); }

} // namespace

bool keepSettings(HostedEffect& effect) {
    vst::AEffect& record = effect.record();
    bool kept = platform::WriteUserNumber(kKeyPath, kEffectName, record.uniqueID) &&
                platform::WriteUserNumber(kKeyPath, kProgramName, effect.dispatch(vst::effGetProgram));
    for (int i = 0; kept && i < record.numParams; ++i)
        kept = platform::WriteUserNumber(kKeyPath, parameterName(i),
                                         std::llround(double(effect.getParameter(i)) * kValueUnit));
    return kept;
}

bool restoreSettings(HostedEffect& effect) {
    vst::AEffect& record = effect.record();
    const std::optional<long long> owner = platform::ReadUserNumber(kKeyPath, kEffectName);
    if (!owner || *owner != record.uniqueID)
        return false;
    // The program first: choosing one sets every parameter, the kept values then take their places.
    const std::optional<long long> program = platform::ReadUserNumber(kKeyPath, kProgramName);
    if (program && *program >= 0 && *program < record.numPrograms)
        effect.dispatch(vst::effSetProgram, 0, static_cast<vst::IntPtr>(*program));
    for (int i = 0; i < record.numParams; ++i) {
        const std::optional<long long> value = platform::ReadUserNumber(kKeyPath, parameterName(i));
        if (value && *value >= 0 && *value <= static_cast<long long>(kValueUnit))
            effect.setParameter(i, static_cast<float>(double(*value) / kValueUnit));
    }
    return true;
}

} // namespace host
