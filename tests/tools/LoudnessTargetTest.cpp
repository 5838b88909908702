// The search for the Threshold that meets a loudness target, against loudness curves known exactly.
#include "tools/tmx1-host/LoudnessTarget.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using host::searchThreshold;
using host::ThresholdSearch;
using Outcome = ThresholdSearch::Outcome;

TEST(ThresholdSearch, FollowsTheLoudnessWhicheverWayItGoesAndOnlyToTheTarget) {
    const auto falling = [](double db) { return -6.0 - 0.02 * (db + 40.0) * (db + 40.0); }; // -6 .. -56
    const auto rising = [&](double db) { return falling(-30.0 - db); };                     // mirrored
    for (const auto& curve :
         {std::function<double(double)>(falling), std::function<double(double)>(rising)}) {
        int trials = 0;
        const ThresholdSearch found = searchThreshold(-14.0, [&](double db) {
            ++trials;
            return curve(db);
        });
        EXPECT_EQ(found.outcome, Outcome::reached);
        EXPECT_NEAR(curve(found.nearest.thresholdDb), -14.0, 0.05);
        EXPECT_DOUBLE_EQ(found.nearest.integratedLufs, curve(found.nearest.thresholdDb));
        EXPECT_NEAR(found.nearest.thresholdDb * 100.0, std::round(found.nearest.thresholdDb * 100.0), 1e-6)
            << "a Threshold --param can give back";
        EXPECT_LT(trials, 20);
    }
    // Out of reach either way: the end of the range nearest the target.
    const ThresholdSearch tooQuiet = searchThreshold(-3.0, rising);
    EXPECT_EQ(tooQuiet.outcome, Outcome::tooQuiet);
    EXPECT_DOUBLE_EQ(tooQuiet.nearest.thresholdDb, 10.0);
    const ThresholdSearch tooLoud = searchThreshold(-70.0, falling);
    EXPECT_EQ(tooLoud.outcome, Outcome::tooLoud);
    EXPECT_DOUBLE_EQ(tooLoud.nearest.thresholdDb, 10.0);
}

TEST(ThresholdSearch, SilenceAtOneEndAndALeapOverTheTargetEndTheSearch) {
    const auto silentAbove = [](double db) {
        return db > 0.0 ? -std::numeric_limits<double>::infinity() : -30.0 - db / 2.0; // -10 at -40 dB
    };
    const ThresholdSearch found = searchThreshold(-15.0, silentAbove);
    EXPECT_EQ(found.outcome, Outcome::reached);
    EXPECT_NEAR(found.nearest.integratedLufs, -15.0, 0.05);

    const auto leap = [](double db) { return db < 1.234 ? -10.0 : -20.0; };
    const ThresholdSearch leapt = searchThreshold(-14.0, leap);
    EXPECT_EQ(leapt.outcome, Outcome::jumps);
    EXPECT_NEAR(leapt.nearest.thresholdDb, 1.23, 1e-9);
    EXPECT_NEAR(leapt.other.thresholdDb, 1.24, 1e-9);
}

} // namespace
