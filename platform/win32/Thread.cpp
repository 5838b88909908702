#include "platform/Thread.h"

#include "platform/win32/Win32Api.h"

namespace platform {

// GetCurrentThreadId reads the thread's environment block; the C runtime's thread ids may allocate on
// a thread it did not start, such as a host's audio thread.
std::uint64_t currentThreadId() { return GetCurrentThreadId(); }

} // namespace platform
