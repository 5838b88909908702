#include "platform/win32/Utf16.h"

#include "platform/win32/Win32Api.h"

namespace platform::win32 {

std::wstring Utf16FromUtf8(std::string_view utf8) {
    if (utf8.empty())
        return {};
    // Without MB_ERR_INVALID_CHARS the conversion replaces what it cannot decode with U+FFFD.
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, text.data(), length);
    return text;
}

} // namespace platform::win32
