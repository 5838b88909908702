// The meters: bar heights and hold captions from the values the bridge copies in, and the
// over-compression LED following the effect's latch.
#include "tests/editor/EditorFixture.h"

#include <cmath>

namespace editortest {
namespace {

TEST(MeterHoldCaption, LeftRightAlignedInFiveThenTheRight) {
    EXPECT_EQ(tmx1::MeterHoldCaption(-100.0f, -100.0f, '.'), "  -oo -oo");
    EXPECT_EQ(tmx1::MeterHoldCaption(-3.24f, -12.3f, '.'), " -3.2 -12.0");
    EXPECT_EQ(tmx1::MeterHoldCaption(0.0f, 0.0f, '.'), "  0.0 0.0");
    EXPECT_EQ(tmx1::MeterHoldCaption(4.4f, 12.6f, '.'), "  4.4 13.0");
    EXPECT_EQ(tmx1::MeterHoldCaption(-15.6f, -0.04f, '.'), "-16.0 0.0");
    EXPECT_EQ(tmx1::MeterHoldCaption(150.0f, 99.5f, '.'), "  99+ 99+");
    EXPECT_EQ(tmx1::MeterHoldCaption(-6.02f, -400.0f, ','), " -6,0 -oo");
    EXPECT_EQ(tmx1::MeterHoldCaption(std::nanf(""), std::nanf(""), '.'), "  -oo -oo");
}

class Meters : public OpenEditor {
  protected:
    void SetUp() override {
        OpenEditor::SetUp();
        openEditor();
        idle();
    }
    // One meter pass with the given values, as the bridge makes it.
    void show(std::array<float, 4> levels, std::array<float, 2> gains = {1.0f, 1.0f}) {
        window().MeterLevels = levels;
        window().MeterGains = gains;
        window().UpdateMeter();
    }
};

TEST_F(Meters, LevelBarsLightTwoPixelsPerDbFromTheBottom) {
    auto& w = window();
    show({1.0f, 0.5f, 0.001f, 0.0f});
    EXPECT_EQ(w.Meter_In_L->Height(), 0) << "0 dB lights the whole column";
    EXPECT_EQ(w.Meter_In_R->Height(), 12) << "-6.02 dB: 108 lit pixels";
    EXPECT_EQ(w.Meter_Out_L->Height(), 120);
    EXPECT_EQ(w.Meter_Out_R->Height(), 120);
    EXPECT_EQ(w.LevelHeights, (std::array<std::int16_t, 4>{120, 108, 0, 0}));
    EXPECT_EQ(w.InMeterLabel->Caption(), "  0.0 -6.0");
    EXPECT_EQ(w.OutMeterLabel->Caption(), "-60.0 -oo");
    EXPECT_EQ(w.Meter_In_L->Top(), 100) << "the cover's top edge stays";

    // Whole dB, rounded to the nearest: either side of -0.5 and -2.5 dB.
    const auto level = [](float db) { return std::pow(10.0f, db / 20.0f); };
    show({level(-0.49f), level(-0.51f), level(-2.49f), level(-2.51f)});
    EXPECT_EQ(w.LevelHeights, (std::array<std::int16_t, 4>{120, 118, 116, 114}));
}

TEST_F(Meters, GainBarsGrowDownwardFourPixelsPerDbUpToTheColumn) {
    auto& w = window();
    show({0, 0, 0, 0}, {0.5f, 0.01f});
    EXPECT_EQ(w.Meter_CP_L->Height(), 24);
    EXPECT_EQ(w.Meter_CP_R->Height(), 120);
    EXPECT_EQ(w.GainHeights, (std::array<std::int16_t, 2>{-24, -120}));
    EXPECT_EQ(w.CompMeterLabel->Caption(), " -6.0 -40.0");

    show({0, 0, 0, 0}, {std::sqrt(0.5f), 1.5f});
    EXPECT_EQ(w.Meter_CP_L->Height(), 12);
    EXPECT_EQ(w.Meter_CP_R->Height(), 0) << "a gain above 1 shows no bar";
    EXPECT_NEAR(w.GainHolds[0], -6.02f, 0.01f) << "a smaller reduction does not lower the hold";
    EXPECT_NEAR(w.GainHolds[1], -40.0f, 0.01f);
    show({0, 0, 0, 0}, {2.0f, 1.0f});
    EXPECT_NEAR(w.GainHolds[0], -6.02f, 0.01f);
    show({0, 0, 0, 0}, {2.5f, 1.0f});
    EXPECT_NEAR(w.GainHolds[0], 7.96f, 0.01f) << "a larger magnitude wins, whatever its sign";
}

TEST_F(Meters, ASteadyLevelRepaintsNothingAndAClickResetsEveryHold) {
    auto& w = window();
    show({0.5f, 0.5f, 0.25f, 0.25f}, {0.5f, 0.5f});
    idle(); // the bridge copies the effect's own values, which are silent; use the window's pass only
    show({0.5f, 0.5f, 0.25f, 0.25f}, {0.5f, 0.5f});
    screenWindow().Idle();
    const int paints = screenWindow().PaintCount();
    show({0.5f, 0.5f, 0.25f, 0.25f}, {0.5f, 0.5f});
    screenWindow().Idle();
    EXPECT_EQ(screenWindow().PaintCount(), paints);

    click(*w.CompMeterLabel);
    EXPECT_EQ(w.PeakHolds, (std::array<float, 4>{-100, -100, -100, -100}));
    EXPECT_EQ(w.GainHolds, (std::array<float, 2>{0, 0}));
    EXPECT_EQ(w.Meter_In_L->Height(), 12) << "the bars are not touched";
    show({0.0f, 0.0f, 0.0f, 0.0f});
    EXPECT_EQ(w.InMeterLabel->Caption(), "  -oo -oo");
    EXPECT_EQ(w.CompMeterLabel->Caption(), "  0.0 0.0");
}

TEST_F(Meters, TheBridgeShowsTheEffectsMetersAndTheOverCompressionLatch) {
    auto& w = window();
    plugin->setParameter(tmx1::kThreshold, 0.0f);
    process(0.5f, 8192); // far above a -40 dB threshold: heavy reduction latches over-compression
    idle();
    EXPECT_EQ(w.LevelHeights[0], 108) << "-6 dB in";
    EXPECT_LT(w.GainHeights[0], 0) << "the effect reduced the gain";
    EXPECT_EQ(w.OC_LED->Opacity(), 255);
    idle();
    EXPECT_EQ(w.OC_LED->Opacity(), 255) << "kept while the effect holds the latch";

    for (int i = 0; i < 200 && w.OC_LED->Opacity() != 0; ++i) {
        process(0.0f, 4410);
        idle();
    }
    EXPECT_EQ(w.OC_LED->Opacity(), 0) << "dark once the effect cleared the acknowledged latch";
}

TEST_F(Meters, WithTheEditorClosedMetersHoldTheirValues) {
    process(0.5f, 8192);
    idle();
    const float held = plugin->meterValue(tmx1::kMeterInL);
    dispatch(vst::effEditClose);
    process(0.0f, 44100);
    EXPECT_EQ(plugin->meterValue(tmx1::kMeterInL), held);
    openEditor();
    idle();
    EXPECT_EQ(window().MeterLevels[0], held);
}

} // namespace
} // namespace editortest
