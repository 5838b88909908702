// Which thread is running, for code that must tell the audio thread from the others.
#pragma once

#include <cstdint>

namespace platform {

// An id of the calling thread, distinct among the threads alive at once. Reading it makes no system
// call and allocates nothing (the thread's own control block holds it), so the audio thread may read
// it every block.
std::uint64_t currentThreadId();

} // namespace platform
