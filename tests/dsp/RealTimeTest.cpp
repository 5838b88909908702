// The audio thread must never allocate: this program counts every heap allocation while the effect
// processes, through parameter changes, ramps, curve rebuilds, program switches and metering.
#include "tests/dsp/APluginProbe.h"

#include "tests/support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(RealTime, ProcessingNeverAllocates) {
    dsp_testing::Rig rig(48000.0f, 0);
    std::vector<float> left(4096, 0.5f), right(4096, -0.7f);
    float* io[2] = {left.data(), right.data()};
    const long before = testing_support::allocationsSoFar().count;
    for (int block = 0; block < 200; ++block) {
        if (block % 20 == 0)
            rig.plugin.setProgram(block / 20 % 10); // every parameter changes and ramps
        if (block % 7 == 0)
            rig.plugin.setParameter(tmx1::kThreshold, static_cast<float>(block % 10) / 10.0f);
        rig.plugin.processReplacing(io, io, 64 + block * 13 % 1000);
        rig.plugin.process(io, io, 17);
    }
    EXPECT_EQ(testing_support::allocationsSoFar().count - before, 0);
}

TEST(RealTime, TheCounterSeesAllocations) {
    const long before = testing_support::allocationsSoFar().count;
    std::vector<int> buffer(100);
    EXPECT_GE(testing_support::allocationsSoFar().count - before, 1) << "the replaced operator new is not in use";
    EXPECT_EQ(buffer.size(), 100u);
}

} // namespace
