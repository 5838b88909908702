// `editor`: shows a plug-in's editor in a window of our own on the desktop, as a DAW shows it, while a
// looping demo signal plays through the effect at real-time pace so that its meters move. It runs
// until the window is closed, the user presses Ctrl+C, or the given time is up.
#pragma once

#include "tools/tmx1-host/Arguments.h"
#include "tools/tmx1-host/EffectSetup.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace host {

struct EditorRequest {
    std::string pluginPath;
    std::optional<std::string> program; // number or exact name
    std::optional<std::string> preset;  // a preset file applied after the program
    std::vector<ParameterSetting> parameters;
    std::optional<double> seconds; // how long to show it; until closed when absent
    std::optional<int> zoom;       // the editor's zoom percent; the plug-in's own choice when absent
};

// Throws HostError, SetupError or platform::WindowError with a one-line reason; the effect is closed
// again in any case.
void showEditor(const EditorRequest& request, std::ostream& out);

// editor [--plugin P.so] [--program N|NAME] [--preset FILE] [--param I=V ...] [--seconds S]
//        [--zoom 100|150|200]
int runEditor(Arguments arguments, const std::string& defaultPlugin, std::ostream& out);

} // namespace host
