// The processor's floating-point exception masks. The signal path relies on overflow, underflow,
// division by zero and invalid operations never trapping.
#pragma once

namespace platform {

// Masks every floating-point exception for the calling thread. Only the mask bits change: rounding,
// flush-to-zero and denormals-are-zero stay as the host set them.
void maskFloatingPointExceptions();

// True when every floating-point exception is masked on the calling thread.
bool floatingPointExceptionsMasked();

} // namespace platform
