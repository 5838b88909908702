// The desktop's scale on Windows: the dpi the system gives the host's window, over the 96 dpi that
// Windows calls 100 %. GetDpiForWindow answers for the monitor the window is on and for the host's
// dpi awareness: a host that is not dpi-aware is enlarged by the system and is told 96. It exists from
// Windows 10 1607 on and is looked up when first needed; before that, the system dpi stands in.
#include "platform/DesktopScale.h"

#include "platform/headless/Screen.h"
#include "platform/win32/Win32Api.h"

#include <cmath>

namespace platform {
namespace {

constexpr double kBaseDpi = 96;

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

GetDpiForWindowFunction getDpiForWindow() {
    const HMODULE user32 = GetModuleHandleA("user32.dll");
    if (user32 == nullptr)
        return nullptr;
    return reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")));
}

double windowScale(HWND window) {
    if (!IsWindow(window))
        return 0;
    if (const GetDpiForWindowFunction dpiForWindow = getDpiForWindow())
        return dpiForWindow(window) / kBaseDpi;
    const HDC screen = GetDC(nullptr);
    if (screen == nullptr)
        return 0;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi / kBaseDpi;
}

} // namespace

double DesktopScale(const ParentWindow& parent) {
    const double scale = parent.Screen() != nullptr
                             ? parent.Screen()->DesktopScale()
                             : windowScale(reinterpret_cast<HWND>(parent.NativeHandle()));
    return std::isfinite(scale) && scale > 0 ? scale : 0;
}

} // namespace platform
