// The library's one export, clap_entry, which a CLAP host looks up after loading it.
#include "clap/ClapFactory.h"
#include "platform/PluginModule.h"

extern "C" {
TMX1_ENTRY extern const clap::clap_plugin_entry clap_entry;
constinit const clap::clap_plugin_entry clap_entry{clap::kVersion, tmx1::clapfactory::initLibrary,
                                                   tmx1::clapfactory::deinitLibrary,
                                                   tmx1::clapfactory::factory};
}
