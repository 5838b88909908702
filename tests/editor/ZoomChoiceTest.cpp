// Which of the panel's sizes the editor shows: the first source that says something usable decides,
// and a measured scale takes the nearest size.
#include "editor/ZoomChoice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using tmx1::ChooseZoom;
using tmx1::NearestZoomStep;
using tmx1::ZoomSources;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(ZoomSteps, AScaleTakesTheNearestStepAndHalfwayGoesUp) {
    EXPECT_EQ(NearestZoomStep(1.0), 100);
    EXPECT_EQ(NearestZoomStep(1.1), 100);
    EXPECT_EQ(NearestZoomStep(1.2499), 100);
    EXPECT_EQ(NearestZoomStep(1.25), 150);
    EXPECT_EQ(NearestZoomStep(1.5), 150);
    EXPECT_EQ(NearestZoomStep(1.7499), 150);
    EXPECT_EQ(NearestZoomStep(1.75), 200);
    EXPECT_EQ(NearestZoomStep(2.0), 200);
}

TEST(ZoomSteps, ScalesOutsideTheStepsTakeTheNearestEnd) {
    EXPECT_EQ(NearestZoomStep(0.5), 100);
    EXPECT_EQ(NearestZoomStep(0.01), 100);
    EXPECT_EQ(NearestZoomStep(3.0), 200);
    EXPECT_EQ(NearestZoomStep(8.0), 200);
}

TEST(ZoomSteps, AScaleThatIsNotGivenTakesTheSmallestStep) {
    for (const double scale : {0.0, -1.5, 8.01, 150.0, kNaN, kInfinity, -kInfinity})
        EXPECT_EQ(NearestZoomStep(scale), 100) << scale;
}

TEST(ZoomChoice, WithoutAnySourceThePanelShowsAtItsOwnSize) { EXPECT_EQ(ChooseZoom({}), 100); }

TEST(ZoomChoice, TheUsersChoiceComesBeforeTheHostAndTheHostBeforeTheDesktop) {
    EXPECT_EQ(ChooseZoom({.userPercent = 100, .hostScale = 2.0, .desktopScale = 1.5}), 100)
        << "the user chose the smallest size on purpose";
    EXPECT_EQ(ChooseZoom({.userPercent = 0, .hostScale = 2.0, .desktopScale = 1.5}), 200);
    EXPECT_EQ(ChooseZoom({.userPercent = 0, .hostScale = 1.0, .desktopScale = 2.0}), 100)
        << "a host that says 100 % means it";
    EXPECT_EQ(ChooseZoom({.userPercent = 0, .hostScale = 0, .desktopScale = 1.5}), 150);
}

TEST(ZoomChoice, AUsersPercentBetweenTheStepsTakesTheNearest) {
    EXPECT_EQ(ChooseZoom({.userPercent = 150}), 150);
    EXPECT_EQ(ChooseZoom({.userPercent = 200}), 200);
    EXPECT_EQ(ChooseZoom({.userPercent = 124}), 100);
    EXPECT_EQ(ChooseZoom({.userPercent = 125}), 150);
    EXPECT_EQ(ChooseZoom({.userPercent = 175}), 200);
    EXPECT_EQ(ChooseZoom({.userPercent = 50}), 100);
    EXPECT_EQ(ChooseZoom({.userPercent = 800}), 200);
}

// A broken value anywhere must not hide the next source nor pick a size of its own.
TEST(ZoomChoice, AValueThatIsNotGivenPassesToTheNextSource) {
    for (const double broken : {0.0, -1.0, kNaN, kInfinity}) {
        EXPECT_EQ(ChooseZoom({.userPercent = broken, .hostScale = 2.0}), 200) << broken;
        EXPECT_EQ(ChooseZoom({.userPercent = broken, .hostScale = broken, .desktopScale = 1.5}), 150)
            << broken;
        EXPECT_EQ(ChooseZoom({.userPercent = broken, .hostScale = broken, .desktopScale = broken}), 100)
            << broken;
    }
    EXPECT_EQ(ChooseZoom({.userPercent = 801, .hostScale = 1.5}), 150) << "the user's limit is a scale of 8";
    EXPECT_EQ(ChooseZoom({.hostScale = 150, .desktopScale = 2.0}), 200) << "a percent sent as a factor";
    EXPECT_EQ(ChooseZoom({.hostScale = 8.5, .desktopScale = 1.5}), 150);
}

} // namespace
