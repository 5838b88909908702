#include "tests/lv2/LilvBundle.h"

#include <stdexcept>

namespace lv2test {

namespace {

constexpr const char* kLv2 = "http://lv2plug.in/ns/lv2core#";
constexpr const char* kPresets = "http://lv2plug.in/ns/ext/presets#";
constexpr const char* kLv2Bundles = "/usr/lib/lv2";
constexpr const char* kRdfsLabel = "http://www.w3.org/2000/01/rdf-schema#label";

} // namespace

std::string buildBundle() { return TMX1_LV2_BUNDLE_DIR; }

Bundle::Bundle(const std::string& folder) : world_(lilv_world_new()) {
    const Node path(lilv_new_string(world_, kLv2Bundles));
    lilv_world_set_option(world_, LILV_OPTION_LV2_PATH, path.get());
    lilv_world_load_all(world_);
    const Node bundleUri(lilv_new_file_uri(world_, nullptr, (folder + "/").c_str()));
    lilv_world_load_bundle(world_, bundleUri.get());
    const Node pluginUri = uri(tmx1::lv2::kPluginUri);
    plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), pluginUri.get());
    if (plugin_ == nullptr) {
        lilv_world_free(world_);
        throw std::runtime_error("no TMX-1 plug-in in " + folder);
    }
}

Bundle::~Bundle() { lilv_world_free(world_); }

std::string Bundle::text(const LilvNode* subject, const char* property) const {
    const Node predicate = uri(property);
    const Node value(lilv_world_get(world_, subject, predicate.get(), nullptr));
    return value ? lilv_node_as_string(value.get()) : "";
}

std::map<std::string, std::map<std::string, float>> Bundle::presets() const {
    const Node presetClass = uri(std::string(kPresets) + "Preset");
    const Node port = uri(std::string(kLv2) + "port");
    const Node symbol = uri(std::string(kLv2) + "symbol");
    const Node value = uri(std::string(kPresets) + "value");
    std::map<std::string, std::map<std::string, float>> found;
    LilvNodes* related = lilv_plugin_get_related(plugin_, presetClass.get());
    LILV_FOREACH(nodes, i, related) {
        const LilvNode* preset = lilv_nodes_get(related, i);
        lilv_world_load_resource(world_, preset);
        auto& values = found[text(preset, kRdfsLabel)];
        LilvNodes* ports = lilv_world_find_nodes(world_, preset, port.get(), nullptr);
        LILV_FOREACH(nodes, j, ports) {
            const LilvNode* entry = lilv_nodes_get(ports, j);
            const Node name(lilv_world_get(world_, entry, symbol.get(), nullptr));
            const Node number(lilv_world_get(world_, entry, value.get(), nullptr));
            if (name && number)
                values[lilv_node_as_string(name.get())] = lilv_node_as_float(number.get());
        }
        lilv_nodes_free(ports);
    }
    lilv_nodes_free(related);
    return found;
}

} // namespace lv2test
