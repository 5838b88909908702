#include "platform/Locale.h"

#include <langinfo.h>
#include <locale.h>

namespace platform {

char userDecimalSeparator() {
    // A private locale object built from the environment: setlocale() would change the host's.
    locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (user == static_cast<locale_t>(nullptr))
        return '.';
    const char* radix = nl_langinfo_l(RADIXCHAR, user);
    const char separator = (radix != nullptr && radix[0] != '\0' && radix[1] == '\0') ? radix[0] : '.';
    freelocale(user);
    return separator;
}

} // namespace platform
