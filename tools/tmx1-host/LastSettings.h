// What the standalone effect was set to when the user left it (its program and every parameter's
// value), kept in the user's settings and put back at the next start.
#pragma once

#include "tools/tmx1-host/Host.h"

namespace host {

// Stores the effect's program and parameter values; false when the settings could not be written.
bool keepSettings(HostedEffect& effect);

// Puts back what keepSettings() stored for this same effect (by its unique id); false when nothing was
// stored for it.
bool restoreSettings(HostedEffect& effect);

} // namespace host
