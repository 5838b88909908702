// Counts the heap allocations made through the global operator new, which a test program that links
// AllocationCounter.cpp replaces, and the bytes they asked for.
#pragma once

#include <cstddef>

namespace testing_support {

struct Allocations {
    long count;
    std::size_t bytes;
};

Allocations allocationsSoFar();

} // namespace testing_support
