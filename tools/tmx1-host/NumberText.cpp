#include "tools/tmx1-host/NumberText.h"

#include <charconv>
#include <cmath>

namespace host {

namespace {

template <typename Number> std::optional<Number> parseWhole(const std::string& text) {
    Number value{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<int> parseInteger(const std::string& text) { return parseWhole<int>(text); }

std::optional<double> parseReal(const std::string& text) {
    const auto value = parseWhole<double>(text);
    return value && std::isfinite(*value) ? value : std::nullopt;
}

std::string fixedText(double value, int decimals) {
    char text[400]; // room for any double in fixed notation
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, result.ptr);
}

std::string decibelText(double amplitude) {
    if (amplitude <= 0.0)
        return "-inf";
    return fixedText(20.0 * std::log10(amplitude), 1);
}

std::string lufsText(double lufs) { return std::isfinite(lufs) ? fixedText(lufs, 1) : "-inf"; }

} // namespace host
