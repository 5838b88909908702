// The plug-in tmx1-host loads when no --plugin names one.
#pragma once

#include <string>

namespace host {

// `built`, the plug-in built beside this tmx1-host, when it is still there (a build tree), else the
// first installed one: the user's (~/.vst), then the machine's (/usr/local/lib/vst, /usr/lib/vst),
// where the packages put it. When none exists, `built`, which the error then names.
std::string defaultPluginPath(const std::string& built);

} // namespace host
