// The information box on Linux: a window of our own over the editor's X11 window, or a record on the
// headless screen for tests and off-screen snapshots. The editor's window tells which.
#include "platform/MessageBox.h"

#include "platform/headless/Screen.h"
#include "platform/x11/InformationBox.h"
#include "platform/x11/X11Window.h"

#include <cstdint>

namespace platform {

void ShowInformation(void* parentWindow, const std::string& title, const std::string& text) {
    if (headless::HeadlessWindow* window = headless::HeadlessWindow::FromHandle(parentWindow)) {
        headless::RecordInformation(*window, title, text);
        return;
    }
    const auto id = reinterpret_cast<std::uintptr_t>(parentWindow);
    if (x11::IsWindowId(id))
        x11::ShowInformationBox(id, title, text);
}

} // namespace platform
