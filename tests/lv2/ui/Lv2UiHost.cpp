#include "tests/lv2/ui/Lv2UiHost.h"

#include <lv2/atom/atom.h>

#include <stdexcept>

namespace lv2test {

namespace {

// A node that frees itself.
struct Node {
    explicit Node(LilvNode* n) : node(n) {}
    ~Node() { lilv_node_free(node); }
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    LilvNode* node;
};

} // namespace

Lv2UiHost::Lv2UiHost(const std::string& bundlePath, double sampleRate) : world_(lilv_world_new()) {
    // The system's bundles hold the LV2 vocabularies; ours comes from the build, whatever is installed.
    const Node systemPath(lilv_new_string(world_, "/usr/lib/lv2"));
    lilv_world_set_option(world_, LILV_OPTION_LV2_PATH, systemPath.node);
    lilv_world_load_all(world_);
    const Node bundle(lilv_new_file_uri(world_, nullptr, (bundlePath + "/").c_str()));
    lilv_world_load_bundle(world_, bundle.node);
    const Node uri(lilv_new_uri(world_, kPluginUri));
    plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), uri.node);
    if (plugin_ == nullptr)
        throw std::runtime_error("lilv finds no TMX-1 in " + bundlePath);
    const LV2_Feature mapFeature{LV2_URID__map, &map_};
    const LV2_Feature* features[] = {&mapFeature, nullptr};
    instance_ = lilv_plugin_instantiate(plugin_, sampleRate, features);
    if (instance_ == nullptr)
        throw std::runtime_error("TMX-1's DSP did not instantiate");
    ports_ = lilv_plugin_get_num_ports(plugin_);
    controls_.assign(ports_, 0.0f);
    isAudio_.assign(ports_, false);
    isOutput_.assign(ports_, false);
    const Node audioClass(lilv_new_uri(world_, LILV_URI_AUDIO_PORT));
    const Node outputClass(lilv_new_uri(world_, LILV_URI_OUTPUT_PORT));
    std::vector<float> defaults(ports_, 0.0f);
    lilv_plugin_get_port_ranges_float(plugin_, nullptr, nullptr, defaults.data());
    std::size_t audio = 0;
    for (std::uint32_t i = 0; i < ports_; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin_, i);
        isAudio_[i] = lilv_port_is_a(plugin_, port, audioClass.node);
        isOutput_[i] = lilv_port_is_a(plugin_, port, outputClass.node);
        if (isAudio_[i]) {
            audio_[audio].assign(8192, 0.0f);
            lilv_instance_connect_port(instance_, i, audio_[audio++].data());
        } else {
            controls_[i] = defaults[i] == defaults[i] ? defaults[i] : 0.0f; // a port without default reads 0
            lilv_instance_connect_port(instance_, i, &controls_[i]);
        }
    }
    lilv_instance_activate(instance_);
}

Lv2UiHost::~Lv2UiHost() {
    closeUi();
    if (instance_ != nullptr) {
        lilv_instance_deactivate(instance_);
        lilv_instance_free(instance_);
    }
    lilv_world_free(world_);
}

LV2_URID Lv2UiHost::map(LV2_URID_Map_Handle handle, const char* uri) {
    auto& urids = static_cast<Lv2UiHost*>(handle)->urids_;
    const auto found = urids.find(uri);
    if (found != urids.end())
        return found->second;
    const auto id = static_cast<LV2_URID>(urids.size() + 1);
    urids.emplace(uri, id);
    return id;
}

void Lv2UiHost::run(int frames, float level) {
    for (int i = 0; i < frames; ++i)
        audio_[0][static_cast<std::size_t>(i)] = audio_[1][static_cast<std::size_t>(i)] = (i / 40) % 2 == 0 ? level : -level;
    lilv_instance_run(instance_, static_cast<std::uint32_t>(frames));
    if (ui_ == nullptr)
        return;
    for (std::uint32_t i = 0; i < ports_; ++i)
        if (!isAudio_[i] && isOutput_[i])
            suil_instance_port_event(ui_, i, sizeof(float), 0, &controls_[i]);
}

void Lv2UiHost::sendAllPorts() {
    if (ui_ == nullptr)
        return;
    for (std::uint32_t i = 0; i < ports_; ++i)
        if (!isAudio_[i])
            suil_instance_port_event(ui_, i, sizeof(float), 0, &controls_[i]);
}

void Lv2UiHost::write(SuilController controller, std::uint32_t port, std::uint32_t size, std::uint32_t protocol,
                      const void* buffer) {
    auto* host = static_cast<Lv2UiHost*>(controller);
    if (protocol != 0 || size != sizeof(float) || port >= host->ports_ || host->isAudio_[port] || host->isOutput_[port])
        return;
    const float value = *static_cast<const float*>(buffer);
    host->controls_[port] = value;
    host->writes.emplace_back(port, value);
}

void Lv2UiHost::touch(SuilController controller, std::uint32_t port, bool grabbed) {
    auto* host = static_cast<Lv2UiHost*>(controller);
    host->touches.push_back({port, grabbed, host->writes.size()});
}

std::uint32_t Lv2UiHost::portIndex(SuilController controller, const char* symbol) {
    auto* host = static_cast<Lv2UiHost*>(controller);
    const Node name(lilv_new_string(host->world_, symbol));
    const LilvPort* port = lilv_plugin_get_port_by_symbol(host->plugin_, name.node);
    return port != nullptr ? lilv_port_get_index(host->plugin_, port) : LV2UI_INVALID_PORT_INDEX;
}

int Lv2UiHost::resize(LV2UI_Feature_Handle handle, int width, int height) {
    static_cast<Lv2UiHost*>(handle)->resizes.emplace_back(width, height);
    return 0;
}

bool Lv2UiHost::openUi(unsigned long parent, float scaleFactor) {
    closeUi();
    LilvUIs* uis = lilv_plugin_get_uis(plugin_);
    const Node x11(lilv_new_uri(world_, LV2_UI__X11UI));
    const LilvUI* found = nullptr;
    LILV_FOREACH (uis, i, uis) {
        const LilvUI* candidate = lilv_uis_get(uis, i);
        if (lilv_ui_is_a(candidate, x11.node))
            found = candidate;
    }
    if (found == nullptr) {
        lilv_uis_free(uis);
        return false;
    }
    char* bundle = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_bundle_uri(found)), nullptr);
    char* binary = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(found)), nullptr);
    scaleFactor_ = scaleFactor;
    options_.clear();
    if (scaleFactor > 0.0f)
        options_.push_back({LV2_OPTIONS_INSTANCE, 0, map(this, LV2_UI__scaleFactor), sizeof(float),
                            map(this, LV2_ATOM__Float), &scaleFactor_});
    options_.push_back({LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr});
    const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parent)};
    const LV2_Feature resizeFeature{LV2_UI__resize, &resize_};
    const LV2_Feature mapFeature{LV2_URID__map, &map_};
    const LV2_Feature optionsFeature{LV2_OPTIONS__options, options_.data()};
    const LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
    const LV2_Feature* features[] = {&parentFeature, &resizeFeature, &mapFeature, &optionsFeature, &idleFeature,
                                     nullptr};
    if (suilHost_ == nullptr) {
        suilHost_ = suil_host_new(&Lv2UiHost::write, &Lv2UiHost::portIndex, nullptr, nullptr);
        suil_host_set_touch_func(suilHost_, &Lv2UiHost::touch);
    }
    ui_ = suil_instance_new(suilHost_, this, LV2_UI__X11UI, kPluginUri, lilv_node_as_uri(lilv_ui_get_uri(found)),
                            LV2_UI__X11UI, bundle, binary, features);
    lilv_free(bundle);
    lilv_free(binary);
    lilv_uis_free(uis);
    if (ui_ == nullptr)
        return false;
    idle_ = static_cast<const LV2UI_Idle_Interface*>(suil_instance_extension_data(ui_, LV2_UI__idleInterface));
    sendAllPorts();
    return true;
}

void Lv2UiHost::closeUi() {
    if (ui_ != nullptr)
        suil_instance_free(ui_);
    ui_ = nullptr;
    idle_ = nullptr;
    if (suilHost_ != nullptr)
        suil_host_free(suilHost_);
    suilHost_ = nullptr;
}

bool Lv2UiHost::idleUi() {
    if (ui_ == nullptr || idle_ == nullptr)
        return false;
    return idle_->idle(suil_instance_get_handle(ui_)) == 0;
}

unsigned long Lv2UiHost::uiWindow() const {
    return ui_ != nullptr ? reinterpret_cast<unsigned long>(suil_instance_get_widget(ui_)) : 0;
}

} // namespace lv2test
