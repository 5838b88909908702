// A modal information box with a single OK button. The call returns once the user has closed it.
#pragma once

#include <string>

namespace platform {

// parentWindow: the native handle of the window the box belongs to (may be null).
void ShowInformation(void* parentWindow, const std::string& title, const std::string& text);

} // namespace platform
