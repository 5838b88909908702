// The information box on Linux: a window of our own over the host's X11 window, or a record on the
// headless screen for tests and off-screen snapshots. The parent handle tells which.
#include "platform/MessageBox.h"

#include "platform/Window.h"
#include "platform/headless/Screen.h"
#include "platform/x11/InformationBox.h"

#include <cstdint>

namespace platform {

void ShowInformation(void* parentWindow, const std::string& title, const std::string& text) {
    if (IsX11Handle(parentWindow))
        x11::ShowInformationBox(reinterpret_cast<std::uintptr_t>(parentWindow), title, text);
    else
        headless::RecordInformation(parentWindow, title, text);
}

} // namespace platform
