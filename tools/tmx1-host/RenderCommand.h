// The commands that render audio through an effect: `render` for a file, `demo` for the built-in
// demo signal.
#pragma once

#include "tools/tmx1-host/Arguments.h"

#include <ostream>
#include <string>

namespace host {

// render [--plugin P.so] IN OUT [--program N|NAME] [--preset FILE] [--param I=V ...] [--block N]
//        [--no-latency-comp] [--plot OUT.png] [--loudness LUFS [--ceiling DBTP]]
int runRender(Arguments arguments, const std::string& defaultPlugin, std::ostream& out);

// demo [--plugin P.so] [OUTDIR] [--program N|NAME] [--preset FILE] [--param I=V ...] [--block N]
//      [--no-latency-comp]:
// writes OUTDIR/demo-in.wav and renders it to OUTDIR/demo-out.wav (OUTDIR "out" by default).
int runDemo(Arguments arguments, const std::string& defaultPlugin, std::ostream& out);

} // namespace host
