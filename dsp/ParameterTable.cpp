#include "dsp/ParameterTable.h"

#include "dsp/Coefficients.h"

#include <algorithm>
#include <cmath>

namespace tmx1 {

float mapLinear(float value, float min, float max) {
    const long double lo = min;
    return static_cast<float>(lo + (static_cast<long double>(max) - lo) * value);
}

float mapExponential(float value, float min, float max) {
    const long double lo = min;
    return static_cast<float>(lo * std::exp(static_cast<long double>(value) * std::log(max / lo)));
}

float mapByLaw(Law law, float value, float min, float max) {
    return law == Law::exponential ? mapExponential(value, min, max) : mapLinear(value, min, max);
}

int releaseTypeOf(float value) {
    const ParameterInfo& p = kParameters[kReleaseType];
    const double type = nearestEven(mapByLaw(p.controlLaw, value, p.controlMin, p.controlMax));
    return static_cast<int>(std::clamp(type, 0.0, static_cast<double>(kNumReleaseTypes - 1)));
}

} // namespace tmx1
