#include "platform/Thread.h"

#include <pthread.h>

namespace platform {

std::uint64_t currentThreadId() { return static_cast<std::uint64_t>(pthread_self()); }

} // namespace platform
