#include "platform/headless/Screen.h"

namespace platform::headless {

void RecordInformation(HeadlessWindow& parentWindow, const std::string& title, const std::string& text) {
    parentWindow.OwnScreen().RecordInformationBox({title, text});
}

} // namespace platform::headless
