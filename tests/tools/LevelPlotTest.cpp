// The level plot's picture: axis marks a reader can use, lines that are smooth without dark joints,
// and a chart whose curves sit where their levels say.
#include "tools/tmx1-host/LevelPlot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <set>

namespace {

using host::AxisTick;
using host::LevelHistory;
using host::LevelPlot;
using host::PlotPicture;
using host::TimeAxis;

std::vector<std::string> labels(const std::vector<AxisTick>& ticks) {
    std::vector<std::string> text;
    for (const auto& tick : ticks)
        text.push_back(tick.label);
    return text;
}

// --- axis marks

TEST(TimeAxis, ThreeSecondsAreMarkedEveryHalfSecondInSeconds) {
    const TimeAxis axis(3.0, 13);
    EXPECT_EQ(labels(axis.ticks()),
              (std::vector<std::string>{"0.0", "0.5", "1.0", "1.5", "2.0", "2.5", "3.0"}));
    EXPECT_STREQ(axis.unit(), "s");
}

TEST(TimeAxis, TwoHoursAreMarkedEveryTenMinutesOnAClock) {
    const TimeAxis axis(7200.0, 13);
    EXPECT_DOUBLE_EQ(axis.step(), 600.0);
    const auto text = labels(axis.ticks());
    ASSERT_EQ(text.size(), 13u);
    EXPECT_EQ(text[0], "0:00:00");
    EXPECT_EQ(text[1], "0:10:00");
    EXPECT_EQ(text[6], "1:00:00");
    EXPECT_EQ(text[12], "2:00:00");
    EXPECT_STREQ(axis.unit(), "h:mm:ss");
}

TEST(TimeAxis, MinutesAreMarkedInWholeSecondsAsMinutesAndSeconds) {
    const TimeAxis axis(150.0, 13);
    EXPECT_EQ(labels(axis.ticks()).at(3), "1:00");
    EXPECT_EQ(labels(axis.ticks()).back(), "2:20");
    EXPECT_STREQ(axis.unit(), "m:ss");
    // However many marks would fit, a clock shows whole seconds, so no two marks may read alike.
    const auto dense = labels(TimeAxis(61.0, 1000).ticks());
    EXPECT_EQ(std::set<std::string>(dense.begin(), dense.end()).size(), dense.size());
}

TEST(TimeAxis, AnyLengthGetsRoundStepsWithinTheLimitEndingInsideTheFile) {
    const std::set<double> round{0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2,  0.5,  1,    2,    5,
                                 10,    20,    30,    60,   120,  300,  600, 1200, 1800, 3600, 7200, 18000};
    for (double seconds = 0.01; seconds < 40000.0; seconds *= 1.37) {
        const TimeAxis axis(seconds, 10);
        EXPECT_TRUE(round.count(axis.step())) << seconds << " s: step " << axis.step();
        EXPECT_GE(axis.ticks().size(), 2u) << seconds;
        EXPECT_LE(axis.ticks().size(), 10u) << seconds;
        EXPECT_LE(axis.ticks().back().value, seconds * (1 + 1e-9)) << seconds;
        // The next smaller round step would have needed too many marks.
        const auto step = round.find(axis.step());
        if (step != round.begin() && step != round.end()) {
            EXPECT_GT(std::floor(seconds / *std::prev(step) + 1e-9) + 1, 10) << seconds;
        }
    }
}

TEST(DecibelAxis, MarksCarryATrueMinusAndAPlusAboveZero) {
    EXPECT_EQ(labels(host::decibelTicks(0.0, -60.0, 10.0)),
              (std::vector<std::string>{"0", "\u221210", "\u221220", "\u221230", "\u221240", "\u221250",
                                        "\u221260"}));
    EXPECT_EQ(labels(host::decibelTicks(12.0, -6.0, 6.0)),
              (std::vector<std::string>{"+12", "+6", "0", "\u22126"}));
    EXPECT_DOUBLE_EQ(host::decibelStep(6.0, 5), 2.0);
    EXPECT_DOUBLE_EQ(host::decibelStep(14.0, 5), 5.0);
    EXPECT_DOUBLE_EQ(host::decibelStep(45.0, 4), 20.0);
}

// --- drawing

constexpr toolkit::TColor kBlack = host::plotColour(0x000000);
constexpr toolkit::TColor kWhite = host::plotColour(0xFFFFFF);

// The red channel of the pixel at (x, y) counted from the top.
int red(const PlotPicture& picture, int x, int y) {
    const auto& data = picture.picture();
    return static_cast<int>(
        data.pixels[static_cast<std::size_t>(data.height - 1 - y) * data.width + x] >> 16 & 0xFF);
}

TEST(PlotPicture, ALineIsSolidAlongItsMiddleAndFadesOverOnePixel) {
    PlotPicture picture(40, 20, kBlack);
    const host::PlotPoint line[] = {{2.0f, 10.5f}, {38.0f, 10.5f}};
    picture.strokeLine(line, 1.0f, kWhite, {0, 0, 40, 20});
    EXPECT_EQ(red(picture, 20, 10), 255);
    EXPECT_EQ(red(picture, 20, 9), 0); // one pixel centre away: just outside the soft edge
    EXPECT_EQ(red(picture, 20, 12), 0);
    const host::PlotPoint between[] = {{2.0f, 6.0f}, {38.0f, 6.0f}}; // on the edge between rows 5 and 6
    picture.strokeLine(between, 1.0f, kWhite, {0, 0, 40, 20});
    EXPECT_EQ(red(picture, 20, 5), 128);
    EXPECT_EQ(red(picture, 20, 6), 128);
}

TEST(PlotPicture, JointsOfAPolylineAreNoDarkerThanItsMiddle) {
    PlotPicture whole(60, 20, kWhite), pieces(60, 20, kWhite);
    const host::PlotPoint one[] = {{5.0f, 9.3f}, {55.0f, 9.3f}};
    std::vector<host::PlotPoint> many;
    for (float x = 5.0f; x <= 55.0f; x += 2.5f)
        many.push_back({x, 9.3f});
    whole.strokeLine(one, 1.5f, kBlack, {0, 0, 60, 20});
    pieces.strokeLine(many, 1.5f, kBlack, {0, 0, 60, 20});
    EXPECT_EQ(whole.picture().pixels, pieces.picture().pixels);
}

TEST(PlotPicture, LinesStayInsideTheirClip) {
    PlotPicture picture(20, 20, kBlack);
    const host::PlotPoint line[] = {{0.0f, 10.5f}, {20.0f, 10.5f}};
    picture.strokeLine(line, 3.0f, kWhite, {5, 0, 15, 20});
    EXPECT_EQ(red(picture, 4, 10), 0);
    EXPECT_EQ(red(picture, 5, 10), 255);
    EXPECT_EQ(red(picture, 15, 10), 0);
}

TEST(PlotPicture, AShadedColumnCoversItsEndPixelsInProportion) {
    PlotPicture picture(3, 10, kBlack);
    picture.shadeColumn(1, 2.25f, 6.5f, kWhite, 1.0f);
    EXPECT_EQ(red(picture, 1, 1), 0);
    EXPECT_EQ(red(picture, 1, 2), 191); // three quarters covered
    EXPECT_EQ(red(picture, 1, 4), 255);
    EXPECT_EQ(red(picture, 1, 6), 128);
    EXPECT_EQ(red(picture, 1, 7), 0);
    EXPECT_EQ(red(picture, 0, 4), 0);
}

TEST(PlotPicture, TextTurnedUpwardsIsTallerThanWide) {
    const auto font = platform::Font::Open("Liberation Sans", 14, false, false);
    PlotPicture picture(100, 200, kBlack);
    picture.drawTextUpwards(*font, "Peak level", 10, 10, kWhite);
    int left = 100, right = 0, top = 200, bottom = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 100; ++x)
            if (red(picture, x, y) > 0) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    EXPECT_GT(bottom - top, 3 * (right - left));
    EXPECT_GT(bottom - top, font->Measure("Peak level").width - 4);
}

// --- the chart

// Input at -6 dBFS for a second, then -30 dBFS; the output 12 dB down at first, then unchanged.
LevelHistory twoLevels() {
    constexpr int kRate = 8000;
    LevelHistory history(kRate);
    std::vector<float> in(kRate), out(kRate);
    for (double dbfs : {-6.0, -30.0}) {
        for (int i = 0; i < kRate; ++i) {
            in[i] = static_cast<float>(std::pow(10.0, dbfs / 20.0) * std::sin(0.3 * i));
            out[i] = dbfs > -10.0 ? in[i] / std::pow(10.0f, 0.6f) : in[i];
        }
        history.addInput(in.data(), in.data(), kRate);
        history.addOutput(out.data(), out.data(), kRate);
    }
    return history;
}

// The first row from the top, below the header, where column x is drawn in nearly `colour`.
int rowOf(const toolkit::TPictureData& picture, int x, toolkit::TColor colour) {
    const auto rgb = static_cast<std::uint32_t>(colour);
    for (int y = LevelPlot::kHeight / 8; y < picture.height; ++y) {
        const std::uint32_t p =
            picture.pixels[static_cast<std::size_t>(picture.height - 1 - y) * picture.width + x];
        const int distance =
            std::max({std::abs(static_cast<int>(p >> 16 & 0xFF) - static_cast<int>(rgb & 0xFF)),
                      std::abs(static_cast<int>(p >> 8 & 0xFF) - static_cast<int>(rgb >> 8 & 0xFF)),
                      std::abs(static_cast<int>(p & 0xFF) - static_cast<int>(rgb >> 16 & 0xFF))});
        if (distance <= 64) // a line covers at least 3/4 of one pixel per column
            return y;
    }
    return -1;
}

TEST(LevelPlot, CurvesSitAtTheirLevelsOnOneDecibelScale) {
    LevelHistory history = twoLevels();
    history.setOutputLoudness(std::vector<float>(20, -20.0f), 0.1);
    const LevelPlot plot(history, {"in.wav \u2192 out.wav", "Fixture"});
    const auto& picture = plot.picture();
    ASSERT_EQ(picture.width, 1200);
    ASSERT_EQ(picture.height, 600);
    const int loud = 360, quiet = 720; // about 0.5 s and 1.2 s into the two seconds
    const int inputLoud = rowOf(picture, loud, LevelPlot::kInputColour);
    const int outputLoud = rowOf(picture, loud, LevelPlot::kOutputColour);
    const int outputQuiet = rowOf(picture, quiet, LevelPlot::kOutputColour);
    ASSERT_GT(inputLoud, 0);
    // 12 dB between input and output where the effect worked, 24 dB between the two input levels.
    const double perDb = (outputQuiet - inputLoud) / 24.0;
    EXPECT_GT(perDb, 2.0);
    EXPECT_NEAR(outputLoud - inputLoud, 12.0 * perDb, 2.0);
    // The output's loudness on the same scale: -20 LUFS, 14 dB below the -6 dBFS input.
    EXPECT_NEAR(rowOf(picture, quiet, LevelPlot::kLoudnessColour) - inputLoud, 14.0 * perDb, 2.0);
    // The gain curve, in the panel below: 12 dB down where the effect worked, at 0 dB after.
    const int gainLoud = rowOf(picture, loud, LevelPlot::kGainColour);
    const int gainQuiet = rowOf(picture, quiet, LevelPlot::kGainColour);
    EXPECT_GT(gainQuiet, outputQuiet);
    EXPECT_GT(gainLoud - gainQuiet, 20);
}

TEST(LevelPlot, SilenceGivesAPictureWithItsFrameAndTextButNoGainCurve) {
    LevelHistory history(44100);
    const std::vector<float> silence(44100, 0.0f);
    history.addInput(silence.data(), silence.data(), 44100);
    history.addOutput(silence.data(), silence.data(), 44100);
    const LevelPlot plot(history, {"quiet.wav \u2192 out.wav", ""});
    const std::set<std::uint32_t> colours(plot.picture().pixels.begin(), plot.picture().pixels.end());
    EXPECT_GT(colours.size(), 20u); // anti-aliased text and lines, not a blank field
    EXPECT_EQ(rowOf(plot.picture(), 600, LevelPlot::kGainColour), -1);
}

} // namespace
