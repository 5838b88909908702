#include "dsp/Dither.h"

#include "platform/Clock.h"

namespace tmx1::dither {

std::atomic<std::uint32_t>& sharedState() {
    static std::atomic<std::uint32_t> state{0};
    return state;
}

void seedFromClock() {
    sharedState().store(static_cast<std::uint32_t>(platform::monotonicTicks()), std::memory_order_relaxed);
}

void setStateForTesting(std::uint32_t state) { sharedState().store(state, std::memory_order_relaxed); }

} // namespace tmx1::dither
