// Our text is UTF-8; the Win32 calls that take any Unicode text take UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

// Malformed UTF-8 becomes U+FFFD, one for each byte sequence that cannot be decoded.
std::wstring Utf16FromUtf8(std::string_view utf8);

} // namespace platform::win32
