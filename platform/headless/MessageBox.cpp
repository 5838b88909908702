#include "platform/headless/Screen.h"

namespace platform::headless {

void RecordInformation(void* parentWindow, const std::string& title, const std::string& text) {
    // A headless window's handle is the window itself.
    if (parentWindow == nullptr)
        return;
    static_cast<HeadlessWindow*>(parentWindow)->OwnScreen().RecordInformationBox({title, text});
}

} // namespace platform::headless
