// The built bundle as an LV2 host sees it: a lilv world that knows only that bundle and the system's
// LV2 vocabularies, so that a copy installed for the user never stands in for the build's.
#pragma once

#include "lv2/PortMap.h"

#include <lilv/lilv.h>

#include <map>
#include <memory>
#include <string>

namespace lv2test {

// A node this code made, freed with it.
struct NodeFree {
    void operator()(LilvNode* node) const { lilv_node_free(node); }
};
using Node = std::unique_ptr<LilvNode, NodeFree>;

class Bundle {
  public:
    // Reads the bundle in `folder`; throws when the plug-in is not in it.
    explicit Bundle(const std::string& folder);
    ~Bundle();
    Bundle(const Bundle&) = delete;
    Bundle& operator=(const Bundle&) = delete;

    LilvWorld* world() const { return world_; }
    const LilvPlugin* plugin() const { return plugin_; }
    Node uri(const std::string& text) const { return Node(lilv_new_uri(world_, text.c_str())); }

    // The factory presets, by label: each port symbol with the value the preset stores.
    std::map<std::string, std::map<std::string, float>> presets() const;
    // The string value of a property, "" when it has none.
    std::string text(const LilvNode* subject, const char* property) const;

  private:
    LilvWorld* world_;
    const LilvPlugin* plugin_ = nullptr;
};

// The bundle the build made.
std::string buildBundle();

} // namespace lv2test
