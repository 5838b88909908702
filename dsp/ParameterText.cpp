#include "dsp/ParameterText.h"

#include "dsp/ParameterTable.h"

#include <algorithm>

namespace tmx1 {

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

bool sameLetters(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) { return lower(x) == lower(y); });
}

std::string_view displayUnit(int index) {
    switch (kParameters[static_cast<std::size_t>(clampedReadIndex(index))].display) {
    case DisplayKind::decibels:
        return "dB";
    case DisplayKind::milliseconds:
        return "ms";
    default:
        return {};
    }
}

std::string_view withoutUnit(std::string_view text, std::string_view unit) {
    text = trimmed(text);
    if (!unit.empty() && text.size() >= unit.size() && sameLetters(text.substr(text.size() - unit.size()), unit))
        text = trimmed(text.substr(0, text.size() - unit.size()));
    return text;
}

std::optional<int> switchOfWord(std::string_view text) {
    text = trimmed(text);
    if (sameLetters(text, "On"))
        return 1;
    if (sameLetters(text, "Off"))
        return 0;
    return std::nullopt;
}

std::optional<int> releaseTypeNamed(std::string_view text) {
    text = trimmed(text);
    for (int type = 0; type < kNumReleaseTypes; ++type)
        if (sameLetters(text, kReleaseTypeNames[static_cast<std::size_t>(type)]))
            return type;
    return std::nullopt;
}

} // namespace tmx1
