#include "platform/Clock.h"

#include <chrono>

namespace platform {

std::uint64_t monotonicTicks() {
    return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

} // namespace platform
