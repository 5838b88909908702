// Counts heap allocations made through the global operator new, which this test program replaces.
#pragma once

namespace dsp_testing {

long allocationCount();

} // namespace dsp_testing
