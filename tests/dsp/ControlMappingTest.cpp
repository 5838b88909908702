// From parameter values to what the signal path reads: coefficients, ramps, the curve table, rates.
#include "tests/dsp/APluginProbe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

using dsp_testing::Rig;
using dsp_testing::Stereo;
using tmx1::kKnee;
using tmx1::kRelease;
using tmx1::kReleaseType;
using tmx1::kThreshold;

namespace {

TEST(RateConstants, MatchTheirTimeConstantsAt44100) {
    Rig rig;
    const auto& p = rig.probe;
    EXPECT_EQ(p.rampLength(), 4410);
    EXPECT_EQ(p.meterPeriod(), 4410);
    EXPECT_EQ(p.lookahead(), 22);
    EXPECT_NEAR(p.fastReleaseCoef(), 0.98873, 5e-6);
    EXPECT_NEAR(p.pdeCoef(), 0.000226657, 1e-9);
    EXPECT_NEAR(p.smoothCoef(), 0.202827, 5e-7);
    EXPECT_NEAR(p.optoCoef(), 0.999496, 5e-7);
    EXPECT_NEAR(p.brickCoef(), 0.977587, 5e-7);
    EXPECT_NEAR(p.meterCoef(), 0.000113372, 1e-9);
}

TEST(RateConstants, FollowTheRateOnlyAfterResume) {
    Rig rig;
    rig.plugin.setSampleRate(48000.0f);
    rig.idle(64);
    EXPECT_EQ(rig.probe.lookahead(), 22) << "setSampleRate alone must not touch the resume constants";
    rig.plugin.resume();
    EXPECT_EQ(rig.probe.lookahead(), 24);
    EXPECT_EQ(rig.probe.rampLength(), 4800);
    const float smooth = rig.probe.smoothCoef();
    rig.plugin.resume(); // no rate change in between: nothing to do
    EXPECT_EQ(rig.probe.smoothCoef(), smooth);
}

TEST(RateConstants, BrokenRatesAreIgnoredAndHugeRatesClamp) {
    Rig rig;
    for (float bad : {0.0f, -48000.0f, NAN, INFINITY}) {
        rig.plugin.setSampleRate(bad);
        rig.plugin.resume();
        EXPECT_EQ(rig.probe.lookahead(), 22) << bad;
        EXPECT_TRUE(std::isfinite(rig.probe.smoothCoef())) << bad;
    }
    rig.plugin.setSampleRate(1e7f);
    rig.plugin.resume();
    EXPECT_EQ(rig.probe.lookahead(), 255) << "the delay line has 256 samples";
    EXPECT_EQ(rig.probe.rampLength(), 65535) << "ramp counters are 16 bits";
    EXPECT_EQ(rig.plugin.getAeffect()->initialDelay, 255);
}

TEST(FirstBlock, TakesEveryValueWithoutARampAndBuildsTheTable) {
    Rig rig;
    EXPECT_EQ(rig.probe.current(kThreshold), 0.0f) << "nothing is mapped before the first block";
    rig.idle(1);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(rig.probe.current(i), rig.probe.target(i)) << i;
    EXPECT_FALSE(rig.probe.curveDirty());
    const float threshold = rig.probe.current(kThreshold);
    EXPECT_NEAR(threshold, 1.0, 1e-3) << "factory threshold is about 0 dB";
    EXPECT_EQ(rig.probe.releaseType(), tmx1::kClassic);
}

TEST(Ramps, MoveInEqualStepsAndLandExactlyAfter100ms) {
    Rig rig;
    rig.idle(64);
    const float from = rig.probe.current(tmx1::kGain);
    rig.set(tmx1::kGain, 1.0f);
    rig.idle(1);
    const float step = rig.probe.current(tmx1::kGain) - from;
    EXPECT_NEAR(step, (3.16f - from) / 4410.0f, 1e-7);
    rig.idle(4408);
    EXPECT_LT(rig.probe.current(tmx1::kGain), rig.probe.target(tmx1::kGain));
    EXPECT_NEAR(rig.probe.current(tmx1::kGain), from + 4409 * step, 1e-4);
    rig.idle(1);
    EXPECT_EQ(rig.probe.current(tmx1::kGain), rig.probe.target(tmx1::kGain));
    EXPECT_EQ(rig.probe.rampCount(tmx1::kGain), 0);
}

TEST(Ramps, SecondChangeRestartsFromTheValueReachedWithTheFullLength) {
    Rig rig;
    rig.idle(64);
    rig.set(tmx1::kGain, 1.0f);
    rig.idle(2205);
    const float halfway = rig.probe.current(tmx1::kGain);
    rig.set(tmx1::kGain, 0.0f);
    rig.idle(1);
    EXPECT_NEAR(rig.probe.current(tmx1::kGain), halfway + (0.316f - halfway) / 4410.0f, 1e-6);
    EXPECT_EQ(rig.probe.rampCount(tmx1::kGain), 4409);
}

TEST(ReleaseMapping, CoefficientsOfTheKnobEndsAndOfPumper) {
    Rig rig(44100.0f, 8); // "Drum Mix": Classic, no PDE
    rig.set(kRelease, 0.0f);
    rig.idle(64);
    EXPECT_NEAR(rig.probe.target(kRelease), 0.995477, 1e-6);
    rig.set(kRelease, 1.0f);
    rig.idle(64);
    EXPECT_NEAR(rig.probe.target(kRelease), 0.999995, 1e-6);
    rig.set(kRelease, 0.0f);
    rig.set(kReleaseType, 0.25f); // Pumper: 0.154 x 5 ms
    rig.idle(64);
    rig.idle(64); // the type change recomputes Release one block later
    EXPECT_NEAR(rig.probe.target(kRelease), 0.97099, 1e-5);
}

TEST(ReleaseMapping, SwitchingToPumperChangesTheCoefficientOneBlockLaterThenGlides) {
    Rig rig(44100.0f, 8);
    rig.idle(8192); // let earlier ramps finish
    const float classic = rig.probe.target(kRelease);
    rig.set(kReleaseType, 0.25f);
    rig.idle(16);
    EXPECT_EQ(rig.probe.target(kRelease), classic) << "Release is recomputed at the next block start";
    rig.idle(16);
    EXPECT_LT(rig.probe.target(kRelease), classic);
    EXPECT_GT(rig.probe.current(kRelease), rig.probe.target(kRelease)) << "and glides there";
}

TEST(ReleaseMapping, PreStageCoefficientsByType) {
    struct Case {
        float value;
        double slow, fast;
    };
    for (const Case& c :
         {Case{0.0f, 0.997512, 0.975397}, Case{0.5f, 0.993892, 0.940573}, Case{0.75f, 0.997512, 0.975397}}) {
        Rig rig;
        rig.set(kReleaseType, c.value);
        rig.idle(64);
        EXPECT_NEAR(rig.probe.preCoef(), c.slow, 1e-6) << c.value;
        EXPECT_NEAR(rig.probe.preCoefFast(), c.fast, 1e-6) << c.value;
    }
}

TEST(ReleaseMapping, TypeTiesRoundToEven) {
    const std::pair<float, int> cases[] = {{0.125f, 0}, {0.375f, 2}, {0.625f, 2}, {0.875f, 4}, {0.26f, 1}};
    for (auto [value, type] : cases) {
        Rig rig;
        rig.set(kReleaseType, value);
        rig.idle(1);
        EXPECT_EQ(rig.probe.releaseType(), type) << value;
        EXPECT_EQ(tmx1::releaseTypeOf(value), type) << value << ": the display names another type";
    }
}

TEST(GainCurve, TableWaitsForTheRampThenMatchesTheFormula) {
    Rig rig;
    rig.idle(64);
    const float before = rig.probe.curve(1500);
    rig.set(kThreshold, dsp_testing::thresholdFor(0.5));
    rig.set(kKnee, 0.3f);
    rig.idle(4000);
    EXPECT_TRUE(rig.probe.curveDirty());
    EXPECT_EQ(rig.probe.curve(1500), before) << "no rebuild while Threshold ramps";
    rig.idle(410); // the ramp ends within this block...
    rig.idle(1);   // ...and the next block start rebuilds
    EXPECT_FALSE(rig.probe.curveDirty());
    for (int j : {0, 100, 400, 777, 1500, 2001}) {
        const float level = static_cast<float>(j * 0.001);
        const double T = double(rig.probe.current(kThreshold)) / rig.probe.current(kKnee);
        const double expected =
            level > T ? 1.0 - std::pow((level - T) / level, rig.probe.current(kKnee)) : 1.0;
        EXPECT_NEAR(rig.probe.curve(j), expected, 2e-7) << j;
    }
}

TEST(GainCurve, TableAndFormulaAgreeAroundTheTableTop) {
    Rig rig;
    rig.set(kThreshold, dsp_testing::thresholdFor(0.5));
    rig.set(kKnee, 0.3f);
    rig.idle(64);
    ASSERT_FALSE(rig.probe.curveDirty());
    const float below = rig.probe.staticGain(std::nextafter(2.0f, 0.0f)); // table
    const float above = rig.probe.staticGain(std::nextafter(2.0f, 3.0f)); // formula
    EXPECT_NEAR(below, above, 1e-6);
}

// Switching the effect off and on clears what would sound stale (the look-ahead's old samples, the
// smoothers' gains, the running meter period) but nothing the next audio must continue from: a
// suspend that reset the release stages, the PDE envelopes, the brick-walls or a running ramp would
// make the gain jump, and one that left the delay lines would replay old audio.
TEST(Suspend, ResetsTheDelaySmoothersAndMeterPeriodAndKeepsEverythingElse) {
    Rig rig(44100.0f, 5); // "Soft Mastering": Opto, PDE and Brick-Wall on
    rig.idle(64);         // past the first block, which takes its values without ramps
    rig.set(kThreshold, dsp_testing::thresholdFor(0.2));
    rig.set(tmx1::kStereoLink, 0.0f);
    rig.set(tmx1::kTruePeak, 1.0f); // its lines too
    // A sine above the threshold, then a single-sample peak that the smoothers cannot follow in the
    // look-ahead's time: the brick-walls catch it and are still releasing at the end.
    Stereo loud(3000);
    for (std::size_t i = 0; i < loud.size(); ++i) {
        loud.left[i] = static_cast<float>(0.3 * std::sin(0.05 * static_cast<double>(i)));
        loud.right[i] = -0.7f * loud.left[i];
    }
    loud.left[2940] = 1.0f;
    loud.right[2940] = -1.0f;
    rig.run(loud);
    const tmx1::AudioState before = rig.probe.audio();
    // Everything suspend must keep is away from what a reset would give it, so that a reset shows.
    ASSERT_GT(before.rampRemaining, 0) << "the threshold's ramp still runs";
    ASSERT_NE(before.curveDirty, 0);
    for (const tmx1::ChannelState& channel : {before.channelL, before.channelR}) {
        ASSERT_LT(channel.stage[0], 1.0f);
        ASSERT_LT(channel.pdeEnv, 1.0f);
        ASSERT_LT(channel.brick, 1.0f);
        ASSERT_LT(channel.smooth[2], 1.0f);
    }
    ASSERT_NE(before.delayWrite, 0);
    ASSERT_GT(before.peakLineL[before.delayWrite], 0.0f);
    ASSERT_GT(before.meterCount, 0u);

    rig.plugin.suspend();
    tmx1::AudioState expected = before;
    for (tmx1::ChannelState* channel : {&expected.channelL, &expected.channelR})
        channel->smooth.fill(1.0f);
    expected.delayL.fill(0.0f);
    expected.delayR.fill(0.0f);
    expected.peakLineL.fill(0.0f);
    expected.peakLineR.fill(0.0f);
    expected.delayWrite = 0;
    expected.meanSqL = expected.meanSqR = expected.peakSqL = expected.peakSqR = 0.0f;
    expected.meterCount = 0;
    EXPECT_TRUE(rig.probe.audio() == expected)
        << "differs in " << dsp_testing::differingFields(rig.probe.audio(), expected);
}

} // namespace

namespace {

// A host playing an automation lane sends the value again before every block. A switch sent on again
// (at another value above the middle) or the same release type again starts nothing afresh: the
// release stages, the PDE envelopes and the brick-wall gains go on where they were. A real change
// still starts them at 1.0.
TEST(ResentValues, StartNothingAfreshUnlessTheSwitchOrTheTypeChanges) {
    Rig rig(44100.0f, 0); // "Warm Tollimation": Classic, PDE on, Brick-Wall off
    rig.set(kThreshold, dsp_testing::thresholdFor(0.2));
    rig.set(tmx1::kBrickWall, 1.0f);
    Stereo loud(8192); // a loud square wave: the stages, the envelope and the brick-wall go below 1
    for (std::size_t i = 0; i < loud.left.size(); ++i)
        loud.left[i] = loud.right[i] = (i / 40) % 2 == 0 ? 0.9f : -0.9f;
    rig.run(loud);
    const auto below = [&] {
        const tmx1::AudioState& a = rig.probe.audio();
        return std::make_tuple(a.channelL.stage[0], a.channelL.pdeEnv, a.channelL.brick);
    };
    // A block of no frames: the changes are taken, nothing is processed.
    const auto takeChanges = [&] {
        float silence[1] = {0.0f};
        float out[2][1];
        float* in[2] = {silence, silence};
        float* outs[2] = {out[0], out[1]};
        rig.plugin.processReplacing(in, outs, 0);
    };
    const auto before = below();
    ASSERT_LT(std::get<0>(before), 1.0f);
    ASSERT_LT(std::get<1>(before), 1.0f);

    rig.set(kReleaseType, 0.95f); // still Classic
    rig.set(tmx1::kPde, 0.9f);    // still on
    rig.set(tmx1::kBrickWall, 0.8f);
    takeChanges();
    EXPECT_EQ(below(), before) << "sent again, nothing starts afresh";
    EXPECT_EQ(rig.probe.releaseType(), tmx1::kClassic);

    rig.set(kReleaseType, 0.75f); // Smooth 1
    rig.set(tmx1::kPde, 0.0f);
    rig.set(tmx1::kBrickWall, 0.0f);
    takeChanges();
    EXPECT_EQ(rig.probe.audio().channelL.stage[0], 1.0f) << "a new type starts its stages afresh";
    EXPECT_EQ(rig.probe.audio().channelL.brick, 1.0f) << "and so does switching the brick-wall";
    rig.set(tmx1::kPde, 1.0f);
    takeChanges();
    EXPECT_EQ(rig.probe.audio().channelL.pdeEnv, 1.0f) << "and switching PDE on";
}

} // namespace
