// The LV2 user interface's entry: an X11 UI (ui:X11UI) embedded in the window the host passes as
// ui:parent, idled by the host through ui:idleInterface, sized through ui:resize, zoomed by the host's
// ui:scaleFactor where one is given, and telling the host of each gesture through ui:touch where it
// offers that. The library exports lv2ui_descriptor and nothing else.
#include "lv2/PortMap.h"
#include "lv2/ui/PanelUi.h"

#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cstring>
#include <exception>
#include <memory>

namespace {

using tmx1::lv2::PanelUi;

constexpr const char* kUiUri = "https://brindlow-audio.example/plugins/tmx-1#ui";

const void* featureData(const LV2_Feature* const* features, const char* uri) {
    for (const LV2_Feature* const* f = features; f != nullptr && *f != nullptr; ++f)
        if (std::strcmp((*f)->URI, uri) == 0)
            return (*f)->data;
    return nullptr;
}

// The host's ui:scaleFactor among its options, 0 when it gives none.
double hostScaleFactor(const LV2_Feature* const* features) {
    const auto* map = static_cast<const LV2_URID_Map*>(featureData(features, LV2_URID__map));
    const auto* options = static_cast<const LV2_Options_Option*>(featureData(features, LV2_OPTIONS__options));
    if (map == nullptr || options == nullptr)
        return 0.0;
    const LV2_URID scaleFactor = map->map(map->handle, LV2_UI__scaleFactor);
    const LV2_URID atomFloat = map->map(map->handle, "http://lv2plug.in/ns/ext/atom#Float");
    for (const LV2_Options_Option* o = options; o->key != 0 || o->value != nullptr; ++o)
        if (o->key == scaleFactor && o->type == atomFloat && o->size == sizeof(float) && o->value != nullptr)
            return static_cast<double>(*static_cast<const float*>(o->value));
    return 0.0;
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char*, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
    void* parent = const_cast<void*>(featureData(features, LV2_UI__parent));
    if (parent == nullptr || widget == nullptr)
        return nullptr; // nowhere to embed the panel
    tmx1::lv2::PanelUiHost host;
    host.parent = platform::ParentWindow::Native(parent);
    if (write != nullptr)
        host.writePort = [write, controller](int port, float value) {
            write(controller, static_cast<std::uint32_t>(port), sizeof(float), 0, &value);
        };
    if (const auto* resize = static_cast<const LV2UI_Resize*>(featureData(features, LV2_UI__resize)))
        host.resize = [resize](int width, int height) { return resize->ui_resize(resize->handle, width, height) == 0; };
    if (const auto* touch = static_cast<const LV2UI_Touch*>(featureData(features, LV2_UI__touch)))
        host.touch = [touch](int port, bool grabbed) {
            touch->touch(touch->handle, static_cast<std::uint32_t>(port), grabbed);
        };
    host.hostScale = hostScaleFactor(features);
    try {
        auto ui = std::make_unique<PanelUi>(std::move(host));
        *widget = ui->Widget();
        return ui.release();
    } catch (const std::exception&) {
        return nullptr;
    }
}

void cleanup(LV2UI_Handle handle) { delete static_cast<PanelUi*>(handle); }

void portEvent(LV2UI_Handle handle, std::uint32_t port, std::uint32_t size, std::uint32_t format,
               const void* buffer) {
    if (format != 0 || size != sizeof(float) || buffer == nullptr)
        return; // only plain control values are ours
    static_cast<PanelUi*>(handle)->PortEvent(static_cast<int>(port), *static_cast<const float*>(buffer));
}

int idle(LV2UI_Handle handle) { return static_cast<PanelUi*>(handle)->Idle() ? 0 : 1; }

const void* extensionData(const char* uri) {
    static const LV2UI_Idle_Interface idleInterface{idle};
    return std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &idleInterface : nullptr;
}

const LV2UI_Descriptor descriptor{kUiUri, instantiate, cleanup, portEvent, extensionData};

} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(std::uint32_t index) {
    return index == 0 ? &descriptor : nullptr;
}
