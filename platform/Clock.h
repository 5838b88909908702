// A high-resolution monotonic clock, read to seed the dither generator.
#pragma once

#include <cstdint>

namespace platform {

// Ticks of the finest monotonic clock the system offers; only differences and low bits matter.
std::uint64_t monotonicTicks();

} // namespace platform
