// The one way into the Win32 headers for this folder. Lean, without the min and max macros that break
// std::min, and without the generic-name macros that would rename our own functions of the same
// names: the files here call the A or W function they mean explicitly.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef CreateWindow
#undef DrawText
#undef GetObject
#undef MessageBox
