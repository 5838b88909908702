#include "platform/FloatingPoint.h"

#if defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#endif

namespace platform {

#if defined(__x86_64__) || defined(_M_X64)
// On x86-64 all float and double arithmetic runs in the SSE unit; its control register holds the
// six exception masks in bits 7 to 12.
constexpr unsigned kAllExceptionMasks = 0x1F80u;

void maskFloatingPointExceptions() { _mm_setcsr(_mm_getcsr() | kAllExceptionMasks); }

bool floatingPointExceptionsMasked() { return (_mm_getcsr() & kAllExceptionMasks) == kAllExceptionMasks; }
#else
void maskFloatingPointExceptions() {}
bool floatingPointExceptionsMasked() { return true; }
#endif

} // namespace platform
