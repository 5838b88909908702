// Requests of our own, sent through effVendorSpecific by our own host, benches and tests and by no one
// else: `index` carries our maker's code, so that another maker's request with the same value is
// never taken for ours, and `value` names the request.
#pragma once

#include "plugin/VstInterface.h"

namespace tmx1 {

inline constexpr vst::Int32 kMakerCode = vst::fourCharCode("BrAu");

// ptr: a platform::headless::Screen. The next effEditOpen opens the editor on that screen, whatever
// handle comes with it; every later one opens in the host's window again. Answers 1 when taken.
inline constexpr vst::IntPtr kHeadlessScreenRequest = vst::fourCharCode("HdlS");

// ptr: room for kVersionTextSize characters. Receives the product's version as users read it
// ("1.10"), which the vendor version number cannot carry. Answers 1.
inline constexpr vst::IntPtr kProductVersionRequest = vst::fourCharCode("Vers");
inline constexpr int kVersionTextSize = 64;

// opt: a zoom percent of the panel (100, 150 or 200). Every later open of this instance's editor
// takes that zoom, whatever the user chose before or the host or desktop say; nothing is stored.
// Answers 1 when taken, 0 for a percent the panel does not have.
inline constexpr vst::IntPtr kEditorZoomRequest = vst::fourCharCode("Zoom");

} // namespace tmx1
