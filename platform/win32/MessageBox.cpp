// The information box on Windows: the system's message box over the host's window, or a record on the
// headless screen for tests. The parent handle tells which.
#include "platform/MessageBox.h"

#include "platform/headless/Screen.h"
#include "platform/win32/Utf16.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Window.h"

namespace platform {

void ShowInformation(void* parentWindow, const std::string& title, const std::string& text) {
    // A headless window is passed by its address, which is never a window handle.
    if (parentWindow != nullptr && !win32::IsWindowHandle(parentWindow)) {
        headless::RecordInformation(parentWindow, title, text);
        return;
    }
    // Our texts are UTF-8; only the wide call shows every character of them.
    MessageBoxW(static_cast<HWND>(parentWindow), win32::Utf16FromUtf8(text).c_str(),
                win32::Utf16FromUtf8(title).c_str(), MB_OK | MB_ICONINFORMATION);
}

} // namespace platform
