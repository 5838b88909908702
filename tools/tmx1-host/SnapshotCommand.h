// `snapshot`: opens a plug-in's editor on the headless screen, optionally plays an audio file through
// the effect while the editor idles as a DAW would, and writes what the panel shows as a PNG.
#pragma once

#include "tools/tmx1-host/Arguments.h"
#include "tools/tmx1-host/EffectSetup.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace host {

struct SnapshotRequest {
    std::string pluginPath;
    std::string outputPath;
    std::optional<std::string> program; // number or exact name
    std::optional<std::string> preset;  // a preset file applied after the program
    std::vector<ParameterSetting> parameters;
    std::optional<std::string> audioPath;
    std::optional<double> stopSeconds; // where to stop playing the audio; its end when absent
    std::optional<int> zoom;           // the editor's zoom percent; the plug-in's own choice when absent
};

// Throws HostError, SetupError or SoundFileError with a one-line reason; then no picture exists under
// the output's name that was not there before.
void snapshot(const SnapshotRequest& request, std::ostream& out);

// snapshot [--plugin P.so] [--program N|NAME] [--preset FILE] [--param I=V ...]
//          [--audio FILE [--at SECONDS]] [--zoom 100|150|200] OUT.png
int runSnapshot(Arguments arguments, const std::string& defaultPlugin, std::ostream& out);

} // namespace host
