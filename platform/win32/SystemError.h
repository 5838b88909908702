// Texts for the error codes that Win32 calls leave in GetLastError.
#pragma once

#include <string>

namespace platform::win32 {

// The system's one-line description of an error code, without the line break FormatMessage ends it
// with; "Unknown error" when the system has no text for it.
std::string SystemErrorText(unsigned long code);

// "Windows error (" code ") " and the system's text: how our exceptions report a refused Win32 call.
std::string WindowsErrorMessage(unsigned long code);

} // namespace platform::win32
