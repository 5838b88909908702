#include "editor/ZoomChoice.h"

#include <cmath>
#include <cstdlib>

namespace tmx1 {
namespace {

// Beyond this a scale is no desktop's: a broken setting or a percent sent as a factor.
constexpr double kLargestScale = 8;

bool isGiven(double scale) { return std::isfinite(scale) && scale > 0 && scale <= kLargestScale; }

} // namespace

int NearestZoomStep(double scale) {
    if (!isGiven(scale))
        return kZoomSteps.front();
    const double percent = scale * 100;
    int nearest = kZoomSteps.front();
    for (const int step : kZoomSteps)
        if (std::abs(percent - step) <= std::abs(percent - nearest)) // steps ascend: a tie takes the later
            nearest = step;
    return nearest;
}

int ChooseZoom(const ZoomSources& sources) {
    for (const double scale : {sources.userPercent / 100, sources.hostScale, sources.desktopScale})
        if (isGiven(scale))
            return NearestZoomStep(scale);
    return kZoomSteps.front();
}

} // namespace tmx1
