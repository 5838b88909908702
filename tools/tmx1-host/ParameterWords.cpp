#include "tools/tmx1-host/ParameterWords.h"

#include "dsp/ParameterTable.h"
#include "dsp/ParameterText.h"
#include "lv2/PortMap.h"
#include "tools/tmx1-host/Arguments.h"
#include "tools/tmx1-host/NumberText.h"

#include <charconv>
#include <optional>

namespace host {

namespace {

using tmx1::DisplayKind;
using tmx1::ParameterInfo;

std::optional<int> parameterNamed(const std::string& name) {
    for (int i = 0; i < tmx1::kNumParams; ++i) {
        const ParameterInfo& info = tmx1::kParameters[static_cast<std::size_t>(i)];
        if (sameName(info.name, name))
            return i;
    }
    return std::nullopt;
}

std::string nameList() {
    std::string list;
    for (const ParameterInfo& info : tmx1::kParameters)
        list += (list.empty() ? "" : ", ") + std::string(info.name);
    return list;
}

// "A, B or C"
template <typename Texts> std::string choiceList(const Texts& texts) {
    std::string list;
    for (std::size_t i = 0; i < texts.size(); ++i)
        list += std::string(i == 0 ? "" : i + 1 == texts.size() ? " or " : ", ") + texts[i];
    return list;
}

// The shortest text that reads back as `value`: "-40", "5000", "0.5".
std::string shortNumber(float value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// The number of "-6", "-6dB" or "-6 dB" (the unit as the panel shows it, in any case).
float continuousValue(int index, const ParameterInfo& info, const std::string& text) {
    const std::string_view unit = tmx1::displayUnit(index);
    const std::optional<double> value = parseReal(std::string(tmx1::withoutUnit(text, unit)));
    if (!value || *value < info.displayMin || *value > info.displayMax)
        throw UsageError(std::string(info.name) + " takes " + shortNumber(info.displayMin) + " to " +
                         shortNumber(info.displayMax) + " " + std::string(unit) + ", not '" + text + "'");
    // The value the panel would hold when it shows this number, through the port map's exact inverse.
    return tmx1::lv2::NormalisedOf(index, static_cast<float>(*value));
}

float switchValue(const ParameterInfo& info, const std::string& text) {
    if (const std::optional<int> on = tmx1::switchOfWord(text))
        return static_cast<float>(*on);
    throw UsageError(std::string(info.name) + " takes On or Off, not '" + text + "'");
}

float releaseTypeValue(int index, const ParameterInfo& info, const std::string& text) {
    if (const std::optional<int> type = tmx1::releaseTypeNamed(text))
        return tmx1::lv2::NormalisedOf(index, static_cast<float>(*type));
    throw UsageError(std::string(info.name) + " takes " + choiceList(tmx1::kReleaseTypeNames) + ", not '" +
                     text + "'");
}

ParameterSetting namedSetting(const std::string& name, const std::string& text) {
    const std::optional<int> index = parameterNamed(name);
    if (!index)
        throw UsageError("no parameter named \"" + name + "\"; the names are " + nameList() +
                         " (or give INDEX=VALUE, normalised 0..1)");
    const ParameterInfo& info = tmx1::kParameters[static_cast<std::size_t>(*index)];
    float value = 0.0f;
    switch (info.display) {
    case DisplayKind::decibels:
    case DisplayKind::milliseconds:
        value = continuousValue(*index, info, text);
        break;
    case DisplayKind::onOff:
        value = switchValue(info, text);
        break;
    case DisplayKind::releaseTypeName:
        value = releaseTypeValue(*index, info, text);
        break;
    }
    return {*index, value, info.name};
}

} // namespace

ParameterSetting parseParameterWords(const std::string& text) {
    const auto equals = text.find('=');
    if (equals == std::string::npos || equals == 0)
        throw UsageError("parameter setting '" + text + "' is not INDEX=VALUE or NAME=VALUE");
    const std::string key = text.substr(0, equals);
    if (!parseInteger(key))
        return namedSetting(key, text.substr(equals + 1));
    try {
        return parseParameterSetting(text);
    } catch (const SetupError& error) {
        throw UsageError(error.what());
    }
}

ParameterSetting panelSetting(int index, float value) {
    return {index, tmx1::lv2::NormalisedOf(index, value),
            tmx1::kParameters[static_cast<std::size_t>(index)].name};
}

std::vector<ParameterSetting> takeParameterWords(Arguments& arguments) {
    std::vector<ParameterSetting> settings;
    for (const auto& setting : arguments.optionLists("--param", isParameterSetting))
        settings.push_back(parseParameterWords(setting));
    return settings;
}

} // namespace host
