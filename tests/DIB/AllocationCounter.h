// Counts the heap allocations made through the global operator new, which this test program replaces,
// and the bytes they asked for.
#pragma once

#include <cstddef>

namespace dibtest {

struct Allocations {
    long count;
    std::size_t bytes;
};

Allocations allocationsSoFar();

} // namespace dibtest
