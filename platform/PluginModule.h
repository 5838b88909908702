// What every plug-in library (VST 2, LV2, CLAP) does for the loader that opens it. Each library
// includes this in exactly one unit, the one that defines its exports.
#pragma once

#include "platform/FloatingPoint.h"

// An exported entry. On Windows the module definition file names the exports; elsewhere everything
// is hidden but what carries this.
#if defined(_WIN32)
#define TMX1_ENTRY
#else
#define TMX1_ENTRY [[gnu::visibility("default")]]
#endif

namespace platform {
namespace {

// Floating-point exceptions are masked on the thread that loads the library, before any of our code
// runs.
[[gnu::constructor]] void maskFloatingPointExceptionsOnLoad() { maskFloatingPointExceptions(); }

} // namespace
} // namespace platform
