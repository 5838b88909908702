#include "clap/ClapParameters.h"

#include "dsp/ParameterDisplay.h"
#include "dsp/ParameterTable.h"
#include "dsp/ParameterText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace tmx1::clapparams {

namespace {

const ParameterInfo& infoOf(int index) { return kParameters[static_cast<std::size_t>(index)]; }

bool isSwitch(int index) { return infoOf(index).display == DisplayKind::onOff; }
bool isReleaseType(int index) { return infoOf(index).display == DisplayKind::releaseTypeName; }
bool isStepped(int index) { return isSwitch(index) || isReleaseType(index); }

struct Range {
    double min, max;
};

Range rangeOf(int index) {
    if (isSwitch(index))
        return {0.0, 1.0};
    if (isReleaseType(index))
        return {0.0, kNumReleaseTypes - 1.0};
    return {infoOf(index).displayMin, infoOf(index).displayMax};
}

// The display law in double: a float normalised value survives the way there and back.
double lawOf(int index, double normalised) {
    const ParameterInfo& p = infoOf(index);
    const double min = p.displayMin, max = p.displayMax;
    if (p.displayLaw == Law::exponential)
        return min * std::exp(normalised * std::log(max / min));
    return min + (max - min) * normalised;
}

double inverseLawOf(int index, double plain) {
    const ParameterInfo& p = infoOf(index);
    const double min = p.displayMin, max = p.displayMax;
    if (p.displayLaw == Law::exponential)
        return std::log(plain / min) / std::log(max / min);
    return (plain - min) / (max - min);
}

// A number in the C form or with the user's separator, nothing else around it but spaces and the
// unit the display text ends with.
std::optional<double> numberOf(std::string_view text, std::string_view unit, char decimalSeparator) {
    text = withoutUnit(text, unit);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    std::string number(text);
    std::replace(number.begin(), number.end(), decimalSeparator, '.');
    double value = 0.0;
    const char* end = number.data() + number.size();
    const auto [stop, error] = std::from_chars(number.data(), end, value);
    if (number.empty() || error != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A word the parameter knows, else a number.
std::optional<double> wordOrNumber(std::optional<int> word, std::string_view text, char decimalSeparator) {
    if (word)
        return *word;
    return numberOf(text, {}, decimalSeparator);
}

} // namespace

clap::clap_param_info describe(int index) {
    clap::clap_param_info info{};
    info.id = static_cast<clap::clap_id>(index);
    info.flags = clap::kParamIsAutomatable;
    if (isStepped(index))
        info.flags |= clap::kParamIsStepped;
    if (isReleaseType(index))
        info.flags |= clap::kParamIsEnum;
    std::strncpy(info.name, infoOf(index).name, sizeof info.name - 1);
    const Range range = rangeOf(index);
    info.min_value = range.min;
    info.max_value = range.max;
    info.default_value = plainOf(index, infoOf(index).defaultValue);
    return info;
}

double plainOf(int index, float normalised) {
    if (isSwitch(index))
        return normalised > 0.5f ? 1.0 : 0.0; // on above the middle, as the effect takes it
    if (isReleaseType(index))
        return releaseTypeOf(normalised);
    return lawOf(index, normalised);
}

float normalisedOf(int index, double plain) {
    const Range range = rangeOf(index);
    plain = std::isnan(plain) ? range.min : std::clamp(plain, range.min, range.max);
    if (isStepped(index))
        return static_cast<float>(std::trunc(plain) / range.max);
    return std::clamp(static_cast<float>(inverseLawOf(index, plain)), 0.0f, 1.0f);
}

std::string textOf(int index, double plain, char decimalSeparator) {
    return parameterDisplayText(index, normalisedOf(index, plain), decimalSeparator);
}

std::optional<double> plainOfText(int index, std::string_view text, char decimalSeparator) {
    std::optional<double> plain;
    if (isSwitch(index))
        plain = wordOrNumber(switchOfWord(text), text, decimalSeparator);
    else if (isReleaseType(index))
        plain = wordOrNumber(releaseTypeNamed(text), text, decimalSeparator);
    else
        plain = numberOf(text, displayUnit(index), decimalSeparator);
    if (!plain)
        return std::nullopt;
    const Range range = rangeOf(index);
    return std::clamp(isStepped(index) ? std::trunc(*plain) : *plain, range.min, range.max);
}

} // namespace tmx1::clapparams
