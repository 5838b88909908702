// Ctrl+C and termination requests while a tool has its interrupt handler installed: the tool is told
// and the process goes on, however often they come; Ctrl+\ still ends it; what was there before
// comes back.
#include "platform/Interrupt.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>

namespace {

std::atomic<int> requests{0};
void countRequest() { requests.fetch_add(1); }

TEST(Interrupt, CtrlCAndATerminationRequestReachTheToolInsteadOfEndingTheProcess) {
    requests = 0;
    const platform::InterruptHandler handler(&countRequest);
    raise(SIGINT);
    EXPECT_EQ(requests.load(), 1);
    raise(SIGTERM);
    EXPECT_EQ(requests.load(), 2);
}

TEST(Interrupt, RepeatedRequestsAreAllCaughtAndCtrlBackslashStillEndsAStuckTool) {
    EXPECT_EXIT(
        {
            requests = 0;
            const platform::InterruptHandler handler(&countRequest);
            raise(SIGINT);
            raise(SIGINT);
            raise(SIGTERM);
            if (requests.load() != 3)
                std::exit(1);
            raise(SIGQUIT);
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGQUIT), "");
}

TEST(Interrupt, WhatTheProcessDidBeforeComesBack) {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction before = {};
    sigaction(SIGTERM, &ignore, &before);
    {
        const platform::InterruptHandler handler(&countRequest);
        struct sigaction during = {};
        sigaction(SIGTERM, nullptr, &during);
        EXPECT_NE(during.sa_handler, SIG_IGN);
    }
    struct sigaction after = {};
    sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, SIG_IGN);
    requests = 0;
    raise(SIGTERM);
    EXPECT_EQ(requests.load(), 0) << "the tool is no longer called";
    sigaction(SIGTERM, &before, nullptr);
}

} // namespace
