#include "platform/win32/SystemError.h"

#include "platform/win32/Win32Api.h"

namespace platform::win32 {

std::string SystemErrorText(unsigned long code) {
    char* buffer = nullptr;
    // The flag makes FormatMessage allocate the buffer and write its address into the pointer passed.
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = length > 0 && buffer != nullptr ? std::string(buffer, length) : std::string();
    LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text.empty() ? "Unknown error" : text;
}

std::string WindowsErrorMessage(unsigned long code) {
    return "Windows error (" + std::to_string(code) + ") " + SystemErrorText(code);
}

} // namespace platform::win32
