#include "platform/MessageBox.h"

#include "platform/headless/Screen.h"

namespace platform {

void ShowInformation(void* parentWindow, const std::string& title, const std::string& text) {
    // A headless window's handle is the window itself; the box is recorded on its screen and counts
    // as closed by the user at once.
    if (parentWindow == nullptr)
        return;
    static_cast<headless::HeadlessWindow*>(parentWindow)->OwnScreen().RecordInformationBox({title, text});
}

} // namespace platform
