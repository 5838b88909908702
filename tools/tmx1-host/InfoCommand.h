#pragma once

#include <ostream>
#include <string>

namespace host {

// Prints the identity, channels, latency, flags, parameters and programs of the plug-in at `path`.
// Throws HostError when the plug-in cannot be loaded.
void printPluginInfo(const std::string& path, std::ostream& out);

} // namespace host
