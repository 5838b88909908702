// The information box on Windows: the system's message box over the editor's window, or a record on
// the headless screen for tests. The editor's window tells which.
#include "platform/MessageBox.h"

#include "platform/headless/Screen.h"
#include "platform/win32/Utf16.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Window.h"

namespace platform {

void ShowInformation(void* parentWindow, const std::string& title, const std::string& text) {
    if (headless::HeadlessWindow* window = headless::HeadlessWindow::FromHandle(parentWindow)) {
        headless::RecordInformation(*window, title, text);
        return;
    }
    // Over no window rather than over a handle that names none.
    const HWND owner = win32::IsWindowHandle(parentWindow) ? static_cast<HWND>(parentWindow) : nullptr;
    // Our texts are UTF-8; only the wide call shows every character of them.
    MessageBoxW(owner, win32::Utf16FromUtf8(text).c_str(), win32::Utf16FromUtf8(title).c_str(),
                MB_OK | MB_ICONINFORMATION);
}

} // namespace platform
