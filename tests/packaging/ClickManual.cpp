// Clicks the MANUAL hotspot of an installed plug-in, as a user of a DAW would: loads the library from
// the given path, opens its editor on an off-screen display, presses and releases the left button over
// the hotspot and closes everything again. What the click opens goes to whatever xdg-open is first on
// PATH; the package tests put a recorder there.
#include "platform/headless/Screen.h"
#include "toolkit/Zoom.h"
#include "tools/tmx1-host/EditorOnScreen.h"
#include "tools/tmx1-host/Host.h"
#include "tools/tmx1-host/PluginLibrary.h"

#include <exception>
#include <iostream>
#include <memory>

namespace {

// The centre of the MANUAL hotspot on the panel, in the panel's own pixels (570 wide).
constexpr int kManualX = 482;
constexpr int kManualY = 30;
constexpr int kPanelWidth = 570;

int clickManual(const std::string& path) {
    host::Host host;
    host::HostedEffect effect(host, std::make_shared<const host::PluginLibrary>(path));
    platform::headless::Screen screen;
    if (host::openEditorOnScreen(effect.record(), screen) != 1) {
        std::cerr << "tmx1_click_manual: " << path << " opened no editor\n";
        return 1;
    }
    effect.dispatch(vst::effEditIdle);
    // The user may have zoomed the panel: the hotspot is where it shows.
    platform::headless::HeadlessWindow& window = screen.LastWindow();
    const toolkit::TZoom zoom(window.Width() * 100 / kPanelWidth);
    window.Press(zoom.Device(kManualX), zoom.Device(kManualY));
    window.Release(zoom.Device(kManualX), zoom.Device(kManualY));
    effect.dispatch(vst::effEditIdle);
    effect.dispatch(vst::effEditClose);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: tmx1_click_manual PLUGIN.so\n";
        return 2;
    }
    try {
        return clickManual(argv[1]);
    } catch (const std::exception& error) {
        std::cerr << "tmx1_click_manual: " << error.what() << "\n";
        return 1;
    }
}
