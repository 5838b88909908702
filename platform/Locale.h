// The user's regional number settings, read without touching the process-wide locale (the host
// owns that).
#pragma once

namespace platform {

// The decimal separator of the user's numeric locale; '.' when it cannot be determined or is not a
// single character.
char userDecimalSeparator();

} // namespace platform
