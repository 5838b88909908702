// Opening one of our own effects' editors on a headless screen, as our host, benches and tests do:
// the effect is told through its record that the next editor goes on the screen, then opened. A
// host's window handle is never taken for a screen, so nothing else puts an editor there.
#pragma once

#include "plugin/VstInterface.h"

namespace platform::headless {
class Screen;
}

namespace host {

// effEditOpen's answer, or 0 (without an effEditOpen) when the effect did not take the screen.
vst::IntPtr openEditorOnScreen(vst::AEffect& effect, platform::headless::Screen& screen);

// Tells one of our own effects that its editor opens at this zoom percent from now on; false when
// the effect did not take it.
bool requestEditorZoom(vst::AEffect& effect, int percent);

} // namespace host
