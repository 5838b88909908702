#include "platform/Interrupt.h"

#include <signal.h>

#include <atomic>
#include <iterator>

namespace platform {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM};

// The signal carries no user data: the function of the newest handler is found here.
std::atomic<void (*)()> current{nullptr};
static_assert(std::atomic<void (*)()>::is_always_lock_free, "read inside a signal");

extern "C" void onSignal(int) {
    if (void (*function)() = current.load())
        function();
}

} // namespace

struct InterruptHandler::Previous {
    void (*function)() = nullptr;
    struct sigaction actions[std::size(kSignals)] = {};
};

InterruptHandler::InterruptHandler(void (*onInterrupt)()) : previous_(std::make_unique<Previous>()) {
    previous_->function = current.exchange(onInterrupt);
    struct sigaction action = {};
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // a read or wait under way goes on: the tool polls its flag
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &action, &previous_->actions[i]);
}

InterruptHandler::~InterruptHandler() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &previous_->actions[i], nullptr);
    current.store(previous_->function);
}

} // namespace platform
