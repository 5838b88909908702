// The desktop's scale on Linux: the X server's, or the headless screen's, as the parent says.
#include "platform/DesktopScale.h"

#include "platform/headless/Screen.h"
#include "platform/x11/DesktopScale.h"

#include <cmath>

namespace platform {

double DesktopScale(const ParentWindow& parent) {
    const double scale = parent.Screen() != nullptr ? parent.Screen()->DesktopScale() : x11::DesktopScale();
    return std::isfinite(scale) && scale > 0 ? scale : 0;
}

} // namespace platform
