// tmx1-host bench: the processing cost of any VST 2.x effect on a fixed music-like signal, and
// optionally of a second one measured alternately with it in the same run, so that both see the
// same machine load.
#pragma once

#include "tools/tmx1-host/Arguments.h"

#include <ostream>
#include <string>

namespace host {

// bench [--plugin P.so] [--vs OTHER.so] [--seconds S]
int runBench(Arguments arguments, const std::string& defaultPlugin, std::ostream& out);

} // namespace host
