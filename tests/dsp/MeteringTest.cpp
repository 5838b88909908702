// The meter values and the over-compression indicator the editor shows.
#include "tests/dsp/APluginProbe.h"

#include <gtest/gtest.h>

#include <cmath>

using dsp_testing::Rig;
using dsp_testing::Stereo;
using dsp_testing::thresholdFor;
using tmx1::kMeterCpL;
using tmx1::kMeterCpR;
using tmx1::kMeterInL;
using tmx1::kMeterOutL;

namespace {

Stereo sineOf(std::size_t frames, double amplitude) {
    Stereo s(frames);
    for (std::size_t i = 0; i < frames; ++i)
        s.left[i] = s.right[i] =
            static_cast<float>(amplitude * std::sin(2 * 3.14159265358979 * 441.0 * double(i) / 44100.0));
    return s;
}

Stereo fullScaleSine(std::size_t frames) { return sineOf(frames, 1.0); }

TEST(Meters, InputPeakJumpsWhenTheDelayedStepArrivesAndDecaysWith200ms) {
    Rig rig;
    rig.run(Stereo(50));
    rig.run(Stereo(22, 1.0f, 0.0f));
    EXPECT_LT(rig.plugin.meterValue(kMeterInL), 0.01f) << "the step has not left the look-ahead delay yet";
    rig.run(Stereo(1, 1.0f, 0.0f));
    EXPECT_NEAR(rig.plugin.meterValue(kMeterInL), 1.0f, 1e-6);
    rig.run(Stereo(22));   // the last loud samples leave the delay
    rig.run(Stereo(8820)); // 0.2 s of delayed silence
    EXPECT_NEAR(rig.plugin.meterValue(kMeterInL), 0.368, 0.01);
}

TEST(Meters, GainReductionFollowsTheSmallestGainAndRecoversTogetherWhenLinked) {
    Rig rig(44100.0f, 8);
    rig.set(tmx1::kThreshold, thresholdFor(0.25));
    rig.run(Stereo(4000, 0.9f, 0.05f));
    const float reduced = rig.plugin.meterValue(kMeterCpL);
    EXPECT_LT(reduced, 0.5f);
    EXPECT_EQ(rig.plugin.meterValue(kMeterCpL), rig.plugin.meterValue(kMeterCpR));
    rig.run(Stereo(44100, 0.01f, 0.01f));
    const float recovered = rig.plugin.meterValue(kMeterCpL);
    EXPECT_GT(recovered, reduced);
    EXPECT_LE(recovered, 1.0f);
    EXPECT_EQ(rig.plugin.meterValue(kMeterCpL), rig.plugin.meterValue(kMeterCpR));
}

TEST(Meters, OutputPeakIncludesMakeUpAndOutputGain) {
    Rig rig(44100.0f, 8);
    rig.set(tmx1::kThreshold, 1.0f); // no reduction
    rig.set(tmx1::kAutoGain, 0.0f);
    rig.set(tmx1::kGain, 1.0f); // 3.16
    rig.run(Stereo(2000, 0.1f, 0.1f));
    EXPECT_NEAR(rig.plugin.meterValue(kMeterOutL), 0.316, 1e-3);
}

TEST(OverCompression, AHardLimitedSineLatchesAtTheEndOfTheFirstPeriod) {
    Rig rig(44100.0f, 8);
    rig.set(tmx1::kThreshold, thresholdFor(0.5));
    rig.set(tmx1::kKnee, 0.0f);
    rig.run(fullScaleSine(4409), 4409);
    EXPECT_FALSE(rig.plugin.isOcLatched());
    rig.run(Stereo(1, 1.0f, 1.0f), 1);
    EXPECT_TRUE(rig.plugin.isOcLatched());
}

TEST(OverCompression, StaysClearWhenTheThresholdIsAboveThePeak) {
    Rig rig(44100.0f, 8);
    rig.set(tmx1::kThreshold, thresholdFor(1.0));
    rig.set(tmx1::kKnee, 0.0f);
    rig.run(fullScaleSine(44100));
    EXPECT_FALSE(rig.plugin.isOcLatched());
}

TEST(OverCompression, LatchHoldsUntilTheEditorHasAcknowledgedAQuietPeriod) {
    Rig rig(44100.0f, 8);
    rig.set(tmx1::kThreshold, thresholdFor(0.5));
    rig.set(tmx1::kKnee, 0.0f);
    rig.run(fullScaleSine(4410));
    ASSERT_TRUE(rig.plugin.isOcLatched());
    // A quiet sine: its peak is well above its RMS level, so these periods are not over-compressed.
    rig.run(sineOf(4410 * 3, 0.05));
    EXPECT_TRUE(rig.plugin.isOcLatched()) << "nobody has seen it yet";
    rig.plugin.requestOcAcknowledge();
    rig.run(sineOf(4410, 0.05));
    EXPECT_FALSE(rig.plugin.isOcLatched());
    EXPECT_FALSE(rig.probe.ocAckRequested()) << "the acknowledgement is used up";
}

TEST(Meters, FrozenWhileTheEditorIsClosedAndResetBySuspend) {
    Rig rig(44100.0f, 8);
    rig.run(Stereo(1000, 0.5f, 0.5f));
    const float in = rig.plugin.meterValue(kMeterInL);
    const float out = rig.plugin.meterValue(kMeterOutL);
    rig.plugin.setEditorClosed(true);
    rig.run(Stereo(10000, 0.01f, 0.9f));
    EXPECT_EQ(rig.plugin.meterValue(kMeterInL), in);
    EXPECT_EQ(rig.plugin.meterValue(kMeterOutL), out);
    rig.plugin.setEditorClosed(false);
    rig.plugin.suspend();
    EXPECT_EQ(rig.plugin.meterValue(kMeterInL), 0.0f);
    EXPECT_EQ(rig.plugin.meterValue(kMeterOutL), 0.0f);
    EXPECT_EQ(rig.plugin.meterValue(kMeterCpL), 1.0f);
    EXPECT_EQ(rig.plugin.meterValue(kMeterCpR), 1.0f);
    EXPECT_FALSE(rig.plugin.isOcLatched());
}

TEST(Meters, TheHostsVuRequestIsNotFedByTheMeters) {
    Rig rig;
    rig.run(Stereo(1000, 0.9f, 0.9f));
    EXPECT_EQ(rig.plugin.dispatcher(vst::effGetVu, 0, 0, nullptr, 0.0f), 0);
}

} // namespace
