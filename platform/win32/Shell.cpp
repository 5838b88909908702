// The desktop's "open" on Windows is ShellExecute, which returns once the associated program has been
// started. The target travels in the ANSI code page, as the registry hands our settings out.
#include "platform/Shell.h"

#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Window.h"

#include <shellapi.h>

namespace platform {

bool ShellOpen(void* parentWindow, const std::string& target) {
    if (target.empty())
        return false;
    // Anything that is not a window (a headless window's address, say) owns no error box either.
    HWND parent = win32::IsWindowHandle(parentWindow) ? static_cast<HWND>(parentWindow) : nullptr;
    const HINSTANCE result = ShellExecuteA(parent, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // Values up to 32 are error codes, anything above means started.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

} // namespace platform
