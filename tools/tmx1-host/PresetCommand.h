// `preset`: writes an effect's settings as a preset file that DAWs and the other commands' --preset
// read: OUT.fxp holds the current program as the options leave it, OUT.fxb every program of the
// effect (its own, with the current one as the options leave it). With --limiter it prints the
// settings instead as the control lines of the desktop limiter's PipeWire file.
#pragma once

#include "tools/tmx1-host/Arguments.h"

#include <ostream>
#include <string>

namespace host {

// preset [--plugin P.so] OUT.fxp|OUT.fxb|--limiter [--program N|NAME] [--preset FILE] [--param I=V ...]
// Throws UsageError for another file ending, and HostError, SetupError or presets::PresetError with a
// one-line reason; then OUT is as it was.
int runPreset(Arguments arguments, const std::string& defaultPlugin, std::ostream& out);

} // namespace host
