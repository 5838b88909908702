#include "lv2/PortMap.h"

#include "dsp/Coefficients.h"
#include "plugin/ParameterTable.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace tmx1::lv2 {

namespace {

bool isParameter(int parameter) { return parameter >= 0 && parameter < kNumParams && parameter != kReserved; }

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

// The first normalised float in 0..1 whose port value is at least `portValue` (strictly above it
// when `above`). The port value grows with the normalised one, so a bisection over the bits finds it.
std::uint32_t firstBitsReaching(const ParameterInfo& info, float portValue, bool above) {
    std::uint32_t low = 0, high = kBitsOfOne + 1; // the answer lies in [low, high]
    while (low < high) {
        const std::uint32_t middle = low + (high - low) / 2;
        const float value = portFloat(info, floatOfBits(middle));
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

float continuousNormalised(const ParameterInfo& info, float portValue) {
    if (portValue <= portFloat(info, 0.0f))
        return 0.0f;
    if (portValue >= portFloat(info, 1.0f))
        return 1.0f;
    const double exact = exactInverse(info, portValue);
    const std::uint32_t first = firstBitsReaching(info, portValue, false);
    const std::uint32_t pastLast = firstBitsReaching(info, portValue, true);
    if (first >= pastLast) // no normalised float gives this port value exactly
        return std::clamp(static_cast<float>(exact), 0.0f, 1.0f);
    return shortestDecimalIn(floatOfBits(first), floatOfBits(pastLast - 1), exact);
}

} // namespace

int PortOfParameter(int parameter) { return isParameter(parameter) ? kFirstParameterPort + parameter : -1; }

int ParameterOfPort(int port) {
    const int parameter = port - kFirstParameterPort;
    return parameter >= 0 && parameter < kNumParameterPorts ? parameter : -1;
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
    return continuousNormalised(info, portValue);
}

float ShortestPortValue(int parameter, float normalised) {
    const double exact = PortValueOf(parameter, normalised);
    for (int decimals = 0; decimals < 9; ++decimals) {
        const double scale = std::pow(10.0, decimals);
        const auto rounded = static_cast<float>(std::round(exact * scale) / scale);
        if (NormalisedOf(parameter, rounded) == normalised)
            return rounded;
    }
    return static_cast<float>(exact);
}

} // namespace tmx1::lv2
