// `live`: the effect as a standalone program on the desktop's audio server (JACK, or PipeWire through
// pw-jack), between two input and two output ports, with its editor in a window of its own or without
// one. It runs until the window is closed, the user presses Ctrl+C, the time is up or the server goes,
// and keeps the settings the user left it with for the next start.
#pragma once

#include "tools/tmx1-host/Arguments.h"

#include <ostream>
#include <string>

namespace host {

// live [--plugin P.so] [--program N|NAME] [--param I=V|NAME=V ...] [--no-gui] [--zoom 100|150|200]
//      [--seconds S]
int runLive(Arguments arguments, const std::string& defaultPlugin, std::ostream& out);

} // namespace host
