#include "platform/Locale.h"

#include "platform/win32/Win32Api.h"

namespace platform {

char userDecimalSeparator() {
    // Room for the longest separator the regional settings allow, plus its terminating zero.
    char separator[8] = {};
    const int length = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator);
    // The length counts the terminating zero. A byte above 127 would be a character of the ANSI code
    // page, which the UTF-8 text it is written into cannot hold as one byte.
    const auto first = static_cast<unsigned char>(separator[0]);
    return length == 2 && first > 0 && first < 0x80 ? separator[0] : '.';
}

} // namespace platform
