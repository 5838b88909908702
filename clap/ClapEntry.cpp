// The library's one export, clap_entry, which a CLAP host looks up after loading it.
#include "clap/ClapFactory.h"
#include "platform/FloatingPoint.h"

namespace {

// Floating-point exceptions are masked on the thread that loads the library, before any of our code
// runs, as the VST library does.
[[gnu::constructor]] void maskOnLoad() { platform::maskFloatingPointExceptions(); }

} // namespace

// On Windows the module definition file names the export; elsewhere only this one is visible.
#if defined(_WIN32)
#define TMX1_ENTRY
#else
#define TMX1_ENTRY [[gnu::visibility("default")]]
#endif

extern "C" {
TMX1_ENTRY extern const clap::clap_plugin_entry clap_entry;
constinit const clap::clap_plugin_entry clap_entry{clap::kVersion, tmx1::clapfactory::initLibrary,
                                                   tmx1::clapfactory::deinitLibrary,
                                                   tmx1::clapfactory::factory};
}
