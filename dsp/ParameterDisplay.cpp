#include "dsp/ParameterDisplay.h"

#include "dsp/ParameterTable.h"
#include "toolkit/NumberText.h"

namespace tmx1 {

float displayValue(int index, float value) {
    const ParameterInfo& p = kParameters[static_cast<std::size_t>(index)];
    switch (p.display) {
    case DisplayKind::decibels:
    case DisplayKind::milliseconds:
        return mapByLaw(p.displayLaw, value, p.displayMin, p.displayMax);
    default:
        return 0.0f;
    }
}

std::string displayNumber(float value, char decimalSeparator) {
    constexpr std::size_t kWidth = 5;
    std::string text = toolkit::formatFixed(value, 5, 3, decimalSeparator).substr(0, kWidth);
    if (text.size() == kWidth && (text.back() == '.' || text.back() == ','))
        text.back() = ' ';
    return text;
}

std::string parameterDisplayText(int index, float value, char decimalSeparator) {
    if (index < 0 || index >= kNumParams)
        return {};
    switch (kParameters[static_cast<std::size_t>(index)].display) {
    case DisplayKind::decibels:
        return displayNumber(displayValue(index, value), decimalSeparator) + " dB";
    case DisplayKind::milliseconds:
        return displayNumber(displayValue(index, value), decimalSeparator) + " ms";
    case DisplayKind::onOff:
        return value > 0.5f ? "On" : "Off";
    case DisplayKind::releaseTypeName:
        return kReleaseTypeNames[static_cast<std::size_t>(releaseTypeOf(value))];
    }
    return {};
}

} // namespace tmx1
