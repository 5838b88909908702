// The desktop's "open" operation: hands a document or a web address to the program the user's system
// associates with it. Fire and forget: the caller never waits for that program and learns nothing
// about its fate.
#pragma once

#include <string>

namespace platform {

// parentWindow: the native handle of the window on whose behalf the document is opened (may be null).
// Returns false only when the request could not even be started.
bool ShellOpen(void* parentWindow, const std::string& target);

} // namespace platform
