#include "lv2/PortMap.h"

#include "dsp/Coefficients.h"
#include "dsp/ParameterDisplay.h"
#include "dsp/ParameterTable.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace tmx1::lv2 {

namespace {

bool isParameter(int parameter) { return parameter >= 0 && parameter < kNumParams; }

bool isContinuous(const ParameterInfo& info) {
    return info.display == DisplayKind::decibels || info.display == DisplayKind::milliseconds;
}

double continuousPortValue(const ParameterInfo& info, double normalised) {
    const double lo = info.displayMin;
    const double hi = info.displayMax;
    if (info.displayLaw == Law::exponential)
        return lo * std::exp(normalised * std::log(hi / lo));
    return lo + (hi - lo) * normalised;
}

double exactInverse(const ParameterInfo& info, double portValue) {
    const double lo = info.displayMin;
    const double hi = info.displayMax;
    if (info.displayLaw == Law::exponential)
        return std::log(portValue / lo) / std::log(hi / lo);
    return (portValue - lo) / (hi - lo);
}

float portFloat(const ParameterInfo& info, float normalised) {
    return static_cast<float>(continuousPortValue(info, normalised));
}

// Non-negative floats are ordered as their bit patterns.
float floatOfBits(std::uint32_t bits) { return std::bit_cast<float>(bits); }
constexpr std::uint32_t kBitsOfOne = 0x3F800000u;

// The first normalised float in 0..1 whose value by `valueOf` is at least `portValue` (strictly above
// it when `above`). Both the port value and the shown number grow with the normalised value, so a
// bisection over the bits finds it.
template <typename ValueOf>
std::uint32_t firstBitsReaching(const ValueOf& valueOf, float portValue, bool above) {
    std::uint32_t low = 0, high = kBitsOfOne + 1; // the answer lies in [low, high]
    while (low < high) {
        const std::uint32_t middle = low + (high - low) / 2;
        const float value = valueOf(floatOfBits(middle));
        if (above ? value > portValue : value >= portValue)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

// Of the floats in [first, last], the one with the fewest decimals, nearest to `exact` among those.
float shortestDecimalIn(float first, float last, double exact) {
    constexpr int kMostDecimals = 9;
    long double scale = 1.0L;
    for (int decimals = 0; decimals <= kMostDecimals; ++decimals, scale *= 10.0L) {
        const auto from = static_cast<long long>(std::floor(static_cast<long double>(first) * scale)) - 1;
        const auto to = static_cast<long long>(std::ceil(static_cast<long double>(last) * scale)) + 1;
        float best = -1.0f;
        for (long long count = std::max(from, 0LL); count <= to; ++count) {
            const auto candidate = static_cast<float>(static_cast<long double>(count) / scale);
            if (candidate < first || candidate > last)
                continue;
            if (best < 0.0f || std::fabs(candidate - exact) < std::fabs(best - exact))
                best = candidate;
        }
        if (best >= 0.0f)
            return best;
    }
    return std::clamp(static_cast<float>(exact), first, last);
}

long long powerOfTen(int exponent) {
    long long power = 1;
    for (int i = 0; i < exponent; ++i)
        power *= 10;
    return power;
}

// The number displayNumber's text reads (five significant digits, at most three decimals, rounded half
// away from zero, cut to five characters), made without allocating: the audio thread calls this.
float shownNumber(float value) {
    const long double magnitude = std::fabs(static_cast<long double>(value));
    int integerDigits = 0;
    while (integerDigits < 18 && magnitude >= static_cast<long double>(powerOfTen(integerDigits)))
        ++integerDigits;
    const int decimals = std::clamp(5 - integerDigits, 0, 3);
    // A float times 1000 is exact in long double: this rounds the value itself, as the text does.
    const long long rounded = std::llround(magnitude * static_cast<long double>(powerOfTen(decimals)));
    int shownIntegerDigits = 1;
    while (rounded / powerOfTen(decimals) >= powerOfTen(shownIntegerDigits))
        ++shownIntegerDigits;
    const bool negative = value < 0.0f && rounded != 0;
    const int kept = std::clamp(5 - (negative ? 1 : 0) - shownIntegerDigits - 1, 0, decimals);
    // The float nearest the decimal the text reads, "-1044e-1" for "-104.4", through the locale-free
    // conversions of <charconv>.
    std::array<char, 48> text{};
    char* end = text.data();
    if (negative)
        *end++ = '-';
    end = std::to_chars(end, text.data() + text.size() - 4, rounded / powerOfTen(decimals - kept)).ptr;
    *end++ = 'e';
    *end++ = '-';
    end = std::to_chars(end, text.data() + text.size(), kept).ptr;
    float number = 0.0f;
    std::from_chars(text.data(), end, number);
    return number;
}

float continuousNormalised(int parameter, const ParameterInfo& info, float portValue) {
    if (portValue <= portFloat(info, 0.0f))
        return 0.0f;
    if (portValue >= portFloat(info, 1.0f))
        return 1.0f;
    const double exact = exactInverse(info, portValue);
    const auto shown = [parameter](float normalised) {
        return shownNumber(displayValue(parameter, normalised));
    };
    const auto port = [&info](float normalised) { return portFloat(info, normalised); };
    // A number the panel shows is its own shown number; automation's other values skip that search.
    const bool showable = shownNumber(portValue) == portValue;
    std::uint32_t first = showable ? firstBitsReaching(shown, portValue, false) : 0;
    std::uint32_t pastLast = showable ? firstBitsReaching(shown, portValue, true) : 0;
    if (first >= pastLast) { // not a number the panel shows
        first = firstBitsReaching(port, portValue, false);
        pastLast = firstBitsReaching(port, portValue, true);
    }
    if (first >= pastLast) // no normalised float gives this port value exactly
        return std::clamp(static_cast<float>(exact), 0.0f, 1.0f);
    return shortestDecimalIn(floatOfBits(first), floatOfBits(pastLast - 1), exact);
}

} // namespace

int PortOfParameter(int parameter) {
    if (parameter == kTruePeak)
        return kPortTruePeak;
    return isParameter(parameter) ? kFirstParameterPort + parameter : -1;
}

int ParameterOfPort(int port) {
    if (port == kPortTruePeak)
        return kTruePeak;
    return port >= kFirstParameterPort && port <= kPortStereoLink ? port - kFirstParameterPort : -1;
}

double PortValueOf(int parameter, float normalised) {
    if (!isParameter(parameter))
        return 0.0;
    const ParameterInfo& info = kParameters[static_cast<std::size_t>(parameter)];
    if (info.display == DisplayKind::releaseTypeName)
        return releaseTypeOf(normalised);
    if (info.display == DisplayKind::onOff)
        return normalised > 0.5f ? 1.0 : 0.0;
    return continuousPortValue(info, normalised);
}

float NormalisedOf(int parameter, float portValue) {
    if (!isParameter(parameter) || std::isnan(portValue))
        return 0.0f;
    const ParameterInfo& info = kParameters[static_cast<std::size_t>(parameter)];
    if (info.display == DisplayKind::releaseTypeName) {
        const double last = kNumReleaseTypes - 1;
        return static_cast<float>(std::clamp(nearestEven(portValue), 0.0, last) / last);
    }
    if (!isContinuous(info))
        return portValue > 0.5f ? 1.0f : 0.0f;
    return continuousNormalised(parameter, info, portValue);
}

float ShownPortValue(int parameter, float normalised) {
    if (!isParameter(parameter))
        return 0.0f;
    if (!isContinuous(kParameters[static_cast<std::size_t>(parameter)]))
        return static_cast<float>(PortValueOf(parameter, normalised));
    return shownNumber(displayValue(parameter, normalised));
}

} // namespace tmx1::lv2
