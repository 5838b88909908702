// The editor panel's zoom: which of its sizes to show, from what the user chose, the host announces
// and the desktop says, the first that is given deciding.
#pragma once

#include <array>

namespace tmx1 {

// The panel's sizes in percent of its artwork; the smallest is the one without any setting.
inline constexpr std::array<int, 3> kZoomSteps{100, 150, 200};

// The step nearest to scale (1.0 is 100 %); halfway between two steps takes the larger (1.25 is 150).
// A scale that is not given (not a number, <= 0 or above 8) takes the smallest step.
int NearestZoomStep(double scale);

// Every source as it came, 0 where it said nothing: the user's choice in percent (remembered per user;
// one that is not a step takes the nearest), the scale the host announced and the desktop's. A value
// that is not a number, <= 0 or above a scale of 8 counts as not given.
struct ZoomSources {
    double userPercent = 0;
    double hostScale = 0;
    double desktopScale = 0;
};

// The user's choice, else the host's, else the desktop's, taken to the nearest step; else the smallest.
int ChooseZoom(const ZoomSources& sources);

} // namespace tmx1
