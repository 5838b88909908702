// The plug-in factory with the effect's one descriptor, and what the library does when a host loads
// and unloads it: the parts of the library's entry (clap/ClapEntry.cpp) that our tests can also call
// in their own process.
#pragma once

#include "clap/ClapInterface.h"

namespace tmx1::clapfactory {

inline constexpr const char* kPluginId = "example.brindlow-audio.tmx-1";

bool initLibrary(const char* path);
void deinitLibrary();
// The plug-in factory for its id, else null.
const void* factory(const char* id);

} // namespace tmx1::clapfactory
