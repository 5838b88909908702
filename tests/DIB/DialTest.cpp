// The knob: where its pointer points, how the mouse turns it in both styles, the press repetition,
// the checks of its settings, its change event, its picture and size, and how a form stream builds it.
#include "DIB/cDIBDial.h"
#include "DIB/cDIBImageList.h"
#include "DIB/cDIBPanel.h"
#include "tests/DIB/DIBTestSupport.h"
#include "tests/DIB/SkinnedPanelSupport.h"
#include "toolkit/ClassRegistry.h"
#include "toolkit/Form.h"
#include "toolkit/FormReader.h"
#include "toolkit/FormText.h"
#include "toolkit/FormWriter.h"
#include "toolkit/MethodTable.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace dib;
using dibtest::bgra;
using dibtest::fillPixels;

// A form with a container and an image list but no window: no paint, no timers.
struct Bench {
    Bench() {
        container = new TDIBContainer(&form);
        container->SetParent(&form);
        container->SetBounds(0, 0, 200, 200);
        list = new TDIBImageList(&form);
    }
    TDIBDial* AddDial(int width = 100, int height = 100) {
        auto* dial = new TDIBDial(&form);
        dial->SetDIBImageList(list);
        dial->SetBounds(0, 0, width, height);
        return dial;
    }
    // A new list entry of w × h pixels, each `pixel`; returns its index.
    int AddImage(int w, int h, std::uint32_t pixel) {
        TDIBImagesItem& item = list->DIBImages()->Add();
        item.DIB()->SetSize(w, h);
        fillPixels(*item.DIB(), pixel);
        return item.Index();
    }

    toolkit::TForm form{nullptr};
    TDIBContainer* container = nullptr;
    TDIBImageList* list = nullptr;
};

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EDIBDialError& error) {
        return error.what();
    }
    return "(nothing thrown)";
}

void press(TDIBDial& dial, int x, int y, toolkit::TMouseButton button = toolkit::mbLeft) {
    dial.MouseDown(button, 0, x, y);
}

// The constant-opacity rule of the image blend, one channel at a time; alpha takes the larger.
std::uint32_t constantBlend(std::uint32_t s, std::uint32_t d, std::uint32_t o) {
    std::uint32_t result = std::max(s >> 24, d >> 24) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t sc = s >> shift & 0xFF;
        const std::uint32_t dc = d >> shift & 0xFF;
        result |= ((o * sc + (255 - o) * dc + 255) >> 8) << shift;
    }
    return result;
}

// Paints the knob (at 0, 0) over a background of one pixel value and returns the composed picture.
std::unique_ptr<TMemoryDIB> paint(TDIBDial& dial, std::uint32_t background) {
    auto back = std::make_unique<TMemoryDIB>(dial.Width(), dial.Height());
    fillPixels(*back, background);
    TMemoryDIB target(dial.Width(), dial.Height());
    dial.PaintSkinned(*back, target, {0, 0, dial.Width() - 1, dial.Height() - 1});
    return back;
}

bool inside(const TDIBClipRect& r, int x, int y) {
    return x >= r.Left && x <= r.Right && y >= r.Top && y <= r.Bottom;
}

// ---- where the pointer points

TEST(KnobAngles, PositionsZeroFiftyAndHundredPointAt210ZeroAnd150) {
    Bench bench;
    TDIBDial* dial = bench.AddDial();
    dial->PointerAngles()->SetStart(210);
    dial->PointerAngles()->SetRange(300);
    EXPECT_EQ(dial->PointerAngle(), 210);
    dial->SetPosition(50);
    EXPECT_EQ(dial->PointerAngle(), 0) << "210 + 150 wraps to straight up";
    dial->SetPosition(100);
    EXPECT_EQ(dial->PointerAngle(), 150);
    dial->SetPosition(25);
    EXPECT_EQ(dial->PointerAngle(), 285) << "25 * 360 div 100 = 90, 90 * 300 div 360 = 75";
}

TEST(KnobAngles, APointLevelWithTheCentreOnePixelRightIs135AndStraightAboveIs360) {
    EXPECT_EQ(PointAngle(50, 50, 51, 50), 135);
    EXPECT_EQ(PointAngle(50, 50, 50, 10), 360);
    EXPECT_EQ(PointAngle(50, 50, 50, 50), 0);
    EXPECT_EQ(PointAngle(50, 50, 50, 90), 180);
    EXPECT_EQ(PointAngle(50, 50, 60, 40), 45);
    EXPECT_EQ(PointAngle(50, 50, 60, 60), 135);
    EXPECT_EQ(PointAngle(50, 50, 40, 60), 225);
    EXPECT_EQ(PointAngle(50, 50, 40, 40), 315);
}

TEST(KnobAngles, PolarPointPutsZeroStraightUpAndTurnsClockwise) {
    EXPECT_EQ(PolarPoint(24, 24, 20, 0), (TDIBPoint{24, 4}));
    EXPECT_EQ(PolarPoint(24, 24, 20, 90), (TDIBPoint{44, 24}));
    EXPECT_EQ(PolarPoint(24, 24, 20, 180), (TDIBPoint{24, 44}));
    EXPECT_EQ(PolarPoint(24, 24, 20, 270), (TDIBPoint{4, 24}));
    // 210 degrees: 20 * cos 120° = -10, 20 * sin 120° = 17.32
    EXPECT_EQ(PolarPoint(24, 24, 20, 210), (TDIBPoint{14, 41}));
}

TEST(KnobAngles, CircularMappingReadsTheAngleFromStartAndClampsTheDeadZone) {
    Bench bench;
    TDIBDial* dial = bench.AddDial();
    dial->PointerAngles()->SetStart(210);
    dial->PointerAngles()->SetRange(300);
    EXPECT_EQ(dial->GetPositionAt(50, 10), 50) << "straight up: 150 degrees from Start, 101 * 150 div 300";
    EXPECT_EQ(dial->GetPositionAt(50, 90), 100) << "straight down lies past the end of the sweep";
    // Level with the centre on the left: atan(-40) rounds to -89, so 269 degrees, 59 from Start.
    EXPECT_EQ(dial->GetPositionAt(10, 50), 101 * 59 / 300);
}

// ---- a knob drag

TEST(KnobDrag, LinearVerticalFollowsTheMouseFromThePressAndIgnoresSideways) {
    Bench bench;
    TDIBDial* dial = bench.AddDial();
    dial->SetMouseControlStyle(mcsLinear);
    dial->SetMouseLinearSensitivity(mlsVertical);
    dial->SetPosition(50);
    press(*dial, 20, 50);
    EXPECT_TRUE(dial->Dragging());
    EXPECT_EQ(dial->Position(), 50) << "the press itself moves nothing";
    dial->MouseMove(0, 20, 20);
    EXPECT_EQ(dial->Position(), 80);
    dial->MouseMove(0, 20, 57);
    EXPECT_EQ(dial->Position(), 43);
    dial->MouseMove(0, 90, 57);
    EXPECT_EQ(dial->Position(), 43) << "horizontal movement counts for nothing";
    dial->MouseMove(0, 20, 50);
    EXPECT_EQ(dial->Position(), 50) << "back at the press point: back at the origin";
    dial->MouseUp(toolkit::mbLeft, 0, 20, 50);
    EXPECT_FALSE(dial->Dragging());
    dial->MouseMove(0, 20, 0);
    EXPECT_EQ(dial->Position(), 50) << "after the release moves do nothing";
}

TEST(KnobDrag, FarBeyondMaxStaysAtMaxAndLeavesItOnlyPassingBack) {
    Bench bench;
    TDIBDial* dial = bench.AddDial();
    dial->SetMouseControlStyle(mcsLinear);
    dial->SetMouseLinearSensitivity(mlsVertical);
    dial->SetPosition(50);
    press(*dial, 0, 300);
    dial->MouseMove(0, 0, 100);
    EXPECT_EQ(dial->Position(), 100);
    dial->MouseMove(0, 0, 249);
    EXPECT_EQ(dial->Position(), 100) << "51 up is still beyond Max";
    dial->MouseMove(0, 0, 250);
    EXPECT_EQ(dial->Position(), 100);
    dial->MouseMove(0, 0, 251);
    EXPECT_EQ(dial->Position(), 99) << "the origin stays that of the press";
    dial->MouseMove(0, 0, 500);
    EXPECT_EQ(dial->Position(), 0) << "and Min clamps the same way";
}

TEST(KnobDrag, PixelsPerPositionTruncateAndBothAxesAdd) {
    Bench bench;
    TDIBDial* dial = bench.AddDial();
    dial->SetMouseControlStyle(mcsLinear);
    dial->SetMouseLinearSensitivity(mlsVertical);
    dial->SetVerticalPixelsPerPosition(2.5);
    dial->SetPosition(50);
    press(*dial, 10, 10);
    dial->MouseMove(0, 10, 6);
    EXPECT_EQ(dial->Position(), 51) << "4 / 2.5 = 1.6 truncates to 1";
    dial->MouseMove(0, 10, 14);
    EXPECT_EQ(dial->Position(), 49) << "-1.6 truncates toward zero";
    dial->MouseUp(toolkit::mbLeft, 0, 10, 14);

    dial->SetMouseLinearSensitivity(mlsBoth);
    dial->SetHorizontalPixelsPerPosition(2);
    press(*dial, 10, 10);
    dial->MouseMove(0, 13, 5);
    EXPECT_EQ(dial->Position(), 49 + 3) << "2 up plus 1.5 right is 3.5";
    dial->MouseUp(toolkit::mbLeft, 0, 13, 5);

    dial->SetMouseLinearSensitivity(mlsHorizontal);
    press(*dial, 10, 10);
    dial->MouseMove(0, 14, 0);
    EXPECT_EQ(dial->Position(), 54) << "vertical movement ignored, 4 right is 2";
}

TEST(KnobDrag, OnlyTheLeftButtonDragsAndOnlyItsReleaseEndsTheDrag) {
    Bench bench;
    TDIBDial* dial = bench.AddDial();
    dial->SetMouseControlStyle(mcsLinear);
    press(*dial, 10, 10, toolkit::mbRight);
    EXPECT_FALSE(dial->Dragging());
    press(*dial, 10, 10);
    dial->MouseUp(toolkit::mbRight, 0, 10, 10);
    EXPECT_TRUE(dial->Dragging());
    dial->MouseUp(toolkit::mbLeft, 0, 10, 10);
    EXPECT_FALSE(dial->Dragging());
}

TEST(KnobDrag, CircularPressOnThePointerEdgesIncludedDragsAndBesideItSteps) {
    Bench bench;
    TDIBDial* dial = bench.AddDial(49, 49);
    dial->SetAutoSize(false);
    dial->IndexPointer()->SetDIBIndex(bench.AddImage(6, 4, bgra(0, 0, 255, 255)));
    dial->SetPointerRadius(20);
    dial->PointerAngles()->SetStart(210);
    dial->PointerAngles()->SetRange(300);
    dial->SetPosition(50);
    // Straight up, 20 from (24, 24): centre (24, 4), the 6 × 4 frame from (21, 2) to (26, 5).
    const TDIBClipRect rect = dial->PointerRect();
    EXPECT_EQ(rect, (TDIBClipRect{21, 2, 26, 5}));
    press(*dial, 26, 5);
    EXPECT_TRUE(dial->Dragging());
    EXPECT_EQ(dial->Position(), 50);
    dial->MouseMove(0, 48, 24);
    EXPECT_GT(dial->Position(), 50) << "dragged round to the right";
    dial->MouseUp(toolkit::mbLeft, 0, 48, 24);
    dial->SetPosition(50);
    press(*dial, 20, 2);
    EXPECT_FALSE(dial->Dragging()) << "one pixel left of the pointer is not on it";
    EXPECT_EQ(dial->Position(), 49) << "a small step toward the mouse";
}

TEST(KnobDrag, PointerRectangleTurnsWithTheFrameAndDerivesItsRadiusFromTheWholeSide) {
    Bench bench;
    TDIBDial* dial = bench.AddDial(40, 40);
    dial->SetAutoSize(false);
    dial->IndexPointer()->SetDIBIndex(bench.AddImage(12, 2, bgra(0, 0, 255, 255)));
    dial->SetPointerNumGlyphs(2);
    // Derived radius: the smaller side 40 + (-1) - the pointer height 2 = 37, centre (20, -17).
    EXPECT_EQ(dial->PointerRect(), (TDIBClipRect{17, -18, 22, -17}));
    dial->SetPointerRadius(10);
    dial->SetPosition(25); // 90 degrees: centre (30, 20)
    EXPECT_EQ(dial->PointerRect(), (TDIBClipRect{27, 19, 32, 20}));
    dial->SetPointerRotate(true);
    const TDIBSize turned = RotatedSize(6, 2, 90, 100, 100);
    ASSERT_LT(turned.Width, turned.Height) << "a frame turned a quarter stands upright";
    EXPECT_EQ(dial->PointerRect(), (TDIBClipRect{30 - turned.Width / 2, 20 - turned.Height / 2,
                                                 30 - turned.Width / 2 + turned.Width - 1,
                                                 20 - turned.Height / 2 + turned.Height - 1}));
}

// ---- circular steps

TEST(KnobSteps, FarFromThePointerAPageNearItASmallStepNeverPassingTheMouse) {
    Bench bench;
    TDIBDial* dial = bench.AddDial();
    dial->SetPageSize(10);
    dial->SetSmallChange(3);
    // Straight down from the centre with Start 0, Range 360 asks for 101 * 180 div 360 = 50.
    press(*dial, 50, 90);
    EXPECT_EQ(dial->Position(), 10) << "50 away, more than a quarter of 100: a page";
    EXPECT_FALSE(dial->Dragging());
    dial->SetPosition(25);
    press(*dial, 50, 90);
    EXPECT_EQ(dial->Position(), 28) << "25 away, a quarter: a small step";
    dial->SetPosition(49);
    press(*dial, 50, 90);
    EXPECT_EQ(dial->Position(), 50) << "a small step stops at the mouse";
    dial->SetPosition(0);
    dial->SetPageSize(100);
    press(*dial, 50, 90);
    EXPECT_EQ(dial->Position(), 50) << "a page stops at the mouse";
    dial->SetPosition(100);
    press(*dial, 50, 90);
    EXPECT_EQ(dial->Position(), 50) << "downward the same";
    dial->SetPosition(52);
    press(*dial, 50, 90);
    EXPECT_EQ(dial->Position(), 50) << "a small step down stops at the mouse too";
}

TEST(KnobSteps, HeldButtonWalksOneStepEvery50MsFromOneIntervalAfterThePressUntilRelease) {
    dibtest::SkinnedPanel panel(120, 120);
    auto* dial = new TDIBDial(&panel.form);
    dial->SetBounds(0, 0, 100, 100);
    dial->SetPageSize(10);
    int changes = 0;
    dial->OnChange = [&](toolkit::TPersistent* sender) {
        EXPECT_EQ(sender, dial);
        ++changes;
    };
    panel.window->Press(50, 90); // asks for 50
    EXPECT_EQ(dial->Position(), 10);
    panel.window->AdvanceClock(49);
    EXPECT_EQ(dial->Position(), 10) << "no repeat before one interval";
    panel.window->AdvanceClock(1);
    EXPECT_EQ(dial->Position(), 20);
    panel.window->AdvanceClock(50);
    EXPECT_EQ(dial->Position(), 30);
    panel.window->AdvanceClock(50);
    EXPECT_EQ(dial->Position(), 31) << "20 away is within a quarter: small steps now";
    panel.window->AdvanceClock(100);
    EXPECT_EQ(dial->Position(), 33);
    EXPECT_EQ(changes, 6) << "one change per press and per repeat";
    panel.window->Release(50, 90);
    panel.window->AdvanceClock(500);
    EXPECT_EQ(dial->Position(), 33) << "the release ends the repetition";
    EXPECT_FALSE(dial->RepeatTimerRunning());
}

TEST(KnobSteps, APressThatStartsADragEndsTheRepetitionAtItsFirstTick) {
    dibtest::SkinnedPanel panel(120, 120);
    auto* dial = new TDIBDial(&panel.form);
    dial->SetBounds(0, 0, 100, 100);
    dial->SetMouseControlStyle(mcsLinear);
    dial->SetMouseLinearSensitivity(mlsVertical);
    dial->SetVerticalPixelsPerPosition(2.5);
    panel.window->Press(50, 50);
    EXPECT_TRUE(dial->Dragging());
    panel.window->Move(50, 48); // 0.8 of a step: nothing yet
    panel.window->AdvanceClock(50);
    EXPECT_FALSE(dial->RepeatTimerRunning());
    panel.window->AdvanceClock(200);
    panel.window->Move(50, 46);
    EXPECT_EQ(dial->Position(), 1)
        << "4 pixels from the first press; a repeated press would have moved the origin";
    panel.window->Move(50, 150);
    EXPECT_EQ(dial->Position(), 0) << "the capture keeps the drag going outside the knob";
    panel.window->Release(50, 150);
    EXPECT_FALSE(dial->Dragging());
}

// ---- settings that are refused

TEST(KnobSettings, EveryRefusedValueNamesTheFaultAndLeavesTheOldValue) {
    Bench bench;
    TDIBDial* dial = bench.AddDial();
    EXPECT_EQ(messageOf([&] { dial->SetMax(0); }), "Max must be greater than min");
    EXPECT_EQ(dial->Max(), 100);
    EXPECT_EQ(messageOf([&] { dial->SetMin(100); }), "Min must be less than max");
    EXPECT_EQ(dial->Min(), 0);
    EXPECT_EQ(messageOf([&] { dial->SetPageSize(-1); }), "PageSize cannot be less than 0");
    EXPECT_EQ(dial->PageSize(), 1);
    EXPECT_EQ(messageOf([&] { dial->SetSmallChange(-1); }), "SmallChange cannot be less than 0");
    EXPECT_EQ(dial->SmallChange(), 1);
    EXPECT_EQ(messageOf([&] { dial->SetPointerNumGlyphs(0); }), "PointerNumGlyphs must be at least 1");
    EXPECT_EQ(dial->PointerNumGlyphs(), 1);
    EXPECT_EQ(messageOf([&] { dial->SetHorizontalPixelsPerPosition(0); }),
              "HorizontalPixelsPerPosition must be greater than zero");
    EXPECT_EQ(dial->HorizontalPixelsPerPosition(), 1.0L);
    EXPECT_EQ(messageOf([&] { dial->SetVerticalPixelsPerPosition(-0.5); }),
              "VerticalPixelsPerPosition must be greater than zero");
    EXPECT_EQ(dial->VerticalPixelsPerPosition(), 1.0L);

    TDIBDialPointerAngles& angles = *dial->PointerAngles();
    EXPECT_EQ(messageOf([&] { angles.SetStart(360); }), "Start must be 0..359");
    EXPECT_EQ(messageOf([&] { angles.SetStart(-1); }), "Start must be 0..359");
    EXPECT_EQ(angles.Start(), 0);
    EXPECT_EQ(messageOf([&] { angles.SetRange(361); }), "Range must be 1..360");
    EXPECT_EQ(messageOf([&] { angles.SetRange(0); }), "Range must be 1..360");
    EXPECT_EQ(angles.Range(), 360);
    angles.SetRange(300);
    EXPECT_EQ(messageOf([&] { angles.SetResolution(301); }), "Resolution must be above 0 and less than 301");
    EXPECT_EQ(messageOf([&] { angles.SetResolution(-0.5); }), "Resolution must be above 0 and less than 301");
    EXPECT_EQ(angles.Resolution(), 300.0L);
    angles.SetResolution(0);
    EXPECT_EQ(angles.Resolution(), 0.0L) << "0 itself is allowed";

    dial->SetMin(-5);
    EXPECT_EQ(messageOf([&] { dial->SetMax(-5); }), "Max must be greater than min")
        << "equal to Min is refused";
    dial->SetMax(-4);
    EXPECT_EQ(dial->Max(), -4);
}

TEST(KnobSettings, RangeCarriesResolutionWithIt) {
    Bench bench;
    TDIBDialPointerAngles& angles = *bench.AddDial()->PointerAngles();
    EXPECT_EQ(angles.Resolution(), 0.0L);
    angles.SetRange(300);
    EXPECT_EQ(angles.Resolution(), 300.0L) << "raised to the new Range";
    angles.SetRange(200);
    EXPECT_EQ(angles.Resolution(), 200.0L) << "lowered so that it can be stored and read back";
}

TEST(KnobSettings, WhileLoadingMinMaxAndStepsTakeAnyValueButGlyphsAreStillChecked) {
    Bench bench;
    TDIBDial* dial = bench.AddDial();
    dial->BeginLoading();
    dial->SetMin(150);
    dial->SetMax(120);
    dial->SetPageSize(-3);
    dial->SetSmallChange(-4);
    EXPECT_EQ(dial->Min(), 150);
    EXPECT_EQ(dial->Max(), 120);
    EXPECT_EQ(dial->PageSize(), -3);
    EXPECT_EQ(dial->SmallChange(), -4);
    EXPECT_EQ(messageOf([&] { dial->SetPointerNumGlyphs(0); }), "PointerNumGlyphs must be at least 1");
    dial->SetMax(200);
    dial->SetPosition(170);
    EXPECT_EQ(dial->Position(), 170);
    dial->AbandonLoading();
    EXPECT_EQ(messageOf([&] { dial->SetPageSize(-1); }), "PageSize cannot be less than 0");
}

TEST(KnobSettings, AssigningSettingsCopiesIntoTheKnobsOwnObjectsAndRepaints) {
    dibtest::SkinnedPanel panel(120, 120);
    auto* dial = new TDIBDial(&panel.form);
    dial->SetBounds(10, 10, 30, 30);
    TDIBDialPointerAngles angles(nullptr);
    angles.SetStart(45);
    angles.SetRange(90);
    TDIBDialPointerOpacities opacities(nullptr);
    opacities.SetActive(7);
    opacities.SetNormal(9);
    panel.window->Idle();
    EXPECT_TRUE(panel.window->InvalidRect().Empty());
    dial->SetPointerAngles(angles);
    EXPECT_EQ(panel.window->InvalidRect(), (platform::Rect{10, 10, 40, 40})) << "the change notice repaints";
    EXPECT_NE(dial->PointerAngles(), &angles);
    EXPECT_EQ(dial->PointerAngles()->Start(), 45);
    EXPECT_EQ(dial->PointerAngles()->Range(), 90);
    EXPECT_EQ(dial->PointerAngles()->Resolution(), 90.0L);
    panel.window->Idle();
    dial->SetPointerOpacities(opacities);
    EXPECT_EQ(panel.window->InvalidRect(), (platform::Rect{10, 10, 40, 40}));
    EXPECT_EQ(dial->PointerOpacities()->Active(), 7);
    EXPECT_EQ(dial->PointerOpacities()->Normal(), 9);
    panel.window->Idle();
    dial->PointerOpacities()->SetNormal(10);
    EXPECT_EQ(panel.window->InvalidRect(), (platform::Rect{10, 10, 40, 40})) << "every setter notifies";
    EXPECT_EQ(dial->PointerAngles()->Dial(), dial);
    EXPECT_THROW(dial->PointerAngles()->Assign(opacities), toolkit::EConvertError);
}

// ---- the change event

TEST(KnobChange, EveryAssignmentRaisesItEvenUnchangedButNoneWhileLoading) {
    Bench bench;
    TDIBDial* dial = bench.AddDial();
    std::vector<std::int32_t> seen;
    dial->OnChange = [&](toolkit::TPersistent*) { seen.push_back(dial->Position()); };
    dial->SetPosition(0);
    dial->SetPosition(500);
    dial->SetPosition(-7);
    EXPECT_EQ(seen, (std::vector<std::int32_t>{0, 100, 0})) << "clamped before the event";
    dial->BeginLoading();
    dial->SetPosition(40);
    dial->AbandonLoading();
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(dial->Position(), 40);
}

TEST(KnobChange, MaxBelowOrMinAbovePositionMovesItAndRaisesTheEvent) {
    Bench bench;
    TDIBDial* dial = bench.AddDial();
    dial->SetPosition(80);
    int changes = 0;
    dial->OnChange = [&](toolkit::TPersistent*) { ++changes; };
    dial->SetMax(90);
    EXPECT_EQ(changes, 0) << "Position still fits";
    dial->SetMax(60);
    EXPECT_EQ(dial->Position(), 60);
    EXPECT_EQ(changes, 1);
    dial->SetMin(50);
    EXPECT_EQ(changes, 1) << "Position still fits";
    dial->SetMax(100);
    dial->SetMin(70);
    EXPECT_EQ(dial->Position(), 70);
    EXPECT_EQ(changes, 2);
}

// ---- the picture

TEST(KnobPicture, BodyCentredAndPointerOnItsCircleAtThePointerAngle) {
    Bench bench;
    TDIBDial* dial = bench.AddDial(40, 40);
    dial->SetAutoSize(false);
    const std::uint32_t bg = bgra(10, 20, 30, 255);
    const std::uint32_t body = bgra(0, 200, 0, 255);
    const std::uint32_t tip = bgra(0, 0, 250, 255);
    dial->IndexMain()->SetDIBIndex(bench.AddImage(20, 10, body));
    dial->IndexPointer()->SetDIBIndex(bench.AddImage(4, 4, tip));
    dial->SetPointerRadius(10);
    const TDIBClipRect bodyRect{10, 15, 29, 24};
    for (const auto& [position, tipRect] :
         {std::pair{0, TDIBClipRect{18, 8, 21, 11}}, std::pair{25, TDIBClipRect{28, 18, 31, 21}},
          std::pair{50, TDIBClipRect{18, 28, 21, 31}}}) {
        dial->SetPosition(position);
        const auto picture = paint(*dial, bg);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                const std::uint32_t expected = inside(tipRect, x, y)    ? tip
                                               : inside(bodyRect, x, y) ? body
                                                                        : bg;
                ASSERT_EQ(picture->Pixel(x, y), expected)
                    << "position " << position << " at " << x << "," << y;
            }
    }
}

TEST(KnobPicture, PointerOpacityIsNormalAtRestActiveWhileDraggedAndTheListEntryKeepsItsOwn) {
    Bench bench;
    TDIBDial* dial = bench.AddDial(40, 40);
    dial->SetAutoSize(false);
    const std::uint32_t bg = bgra(10, 20, 30, 255);
    const std::uint32_t tip = bgra(200, 100, 250, 255);
    const int tipIndex = bench.AddImage(4, 4, tip);
    dial->IndexPointer()->SetDIBIndex(tipIndex);
    dial->SetPointerRadius(10); // at rest straight up: (18, 8) to (21, 11)
    dial->PointerOpacities()->SetNormal(128);
    dial->PointerOpacities()->SetActive(64);
    EXPECT_EQ(paint(*dial, bg)->Pixel(19, 9), constantBlend(tip, bg, 128));
    press(*dial, 19, 9);
    ASSERT_TRUE(dial->Dragging());
    EXPECT_EQ(paint(*dial, bg)->Pixel(19, 9), constantBlend(tip, bg, 64));
    dial->MouseUp(toolkit::mbLeft, 0, 19, 9);
    EXPECT_EQ(paint(*dial, bg)->Pixel(19, 9), constantBlend(tip, bg, 128));
    const TMemoryDIB& entry = *bench.list->DIBImages()->Items(tipIndex).DIB();
    EXPECT_EQ(entry.Opacity(), 255);
    EXPECT_FALSE(entry.AutoSize());
}

TEST(KnobPicture, ASingleFrameShowsUnchangedAtEveryAngle) {
    Bench bench;
    TDIBDial* dial = bench.AddDial(40, 40);
    dial->SetAutoSize(false);
    const int tipIndex = bench.AddImage(4, 4, 0);
    TMemoryDIB& strip = *bench.list->DIBImages()->Items(tipIndex).DIB();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            strip.SetPixel(x, y, bgra(x * 60 + 3, y * 70 + 1, 255 - x * y * 10, 100 + x * 40 + y));
    dial->IndexPointer()->SetDIBIndex(tipIndex);
    dial->SetPointerRadius(12);
    for (const std::int32_t position : {0, 13, 37, 50, 77, 99, 100}) {
        dial->SetPosition(position);
        const TDIBClipRect rect = dial->PointerRect();
        const auto picture = paint(*dial, bgra(1, 2, 3, 4));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                ASSERT_EQ(picture->Pixel(rect.Left + x, rect.Top + y), strip.Pixel(x, y))
                    << "position " << position << " at " << x << "," << y;
    }
}

TEST(KnobPicture, RotatedPointerIsTurnedToThePointerAngle) {
    Bench bench;
    TDIBDial* dial = bench.AddDial(40, 40);
    dial->SetAutoSize(false);
    const std::uint32_t bg = bgra(10, 20, 30, 255);
    const std::uint32_t tip = bgra(0, 0, 250, 255);
    dial->IndexPointer()->SetDIBIndex(bench.AddImage(8, 2, tip));
    dial->SetPointerRadius(10);
    dial->SetPointerRotate(true);
    dial->SetPosition(25); // 90 degrees: the flat bar stands upright right of the centre
    const TDIBClipRect rect = dial->PointerRect();
    const auto picture = paint(*dial, bg);
    EXPECT_EQ(picture->Pixel(30, 17), tip);
    EXPECT_EQ(picture->Pixel(30, 22), tip);
    EXPECT_EQ(picture->Pixel(26, 20), bg) << "not drawn flat";
    EXPECT_EQ(picture->Pixel(rect.Left - 1, 20), bg);
    EXPECT_EQ(bench.list->DIBImages()->Items(0).DIB()->Angle(), 0) << "only the view is turned";
}

TEST(GlyphFrame, AFractionalIndexCrossFadesTheTwoFramesBesideIt) {
    TMemoryDIB strip(4, 1); // two frames of 2 × 1
    const std::uint32_t first = bgra(200, 100, 0, 255);
    const std::uint32_t second = bgra(0, 60, 240, 255);
    strip.SetPixel(0, 0, first);
    strip.SetPixel(1, 0, first);
    strip.SetPixel(2, 0, second);
    strip.SetPixel(3, 0, second);
    TMemoryDIB target(2, 1);
    // 1 of 0..8 over two frames is index 0.25: the lower frame weighs 255 - nearest(63.75) = 191.
    DrawGlyphFrame(strip, 0, 0, true, 1, 8, 0, target, 2);
    EXPECT_EQ(target.Pixel(0, 0), constantBlend(first, second, 191));
    EXPECT_EQ(target.Pixel(1, 0), constantBlend(first, second, 191));
    // Index 0.5: 255 - nearest(127.5), the half rounding to even 128.
    DrawGlyphFrame(strip, 0, 0, true, 2, 8, 0, target, 2);
    EXPECT_EQ(target.Pixel(0, 0), constantBlend(first, second, 127));
    DrawGlyphFrame(strip, 0, 0, true, 4, 8, 0, target, 2);
    EXPECT_EQ(target.Pixel(0, 0), second) << "a whole index shows its frame alone";
}

TEST(GlyphFrame, PastTheEndWrapsToTheOtherEndOrStaysAtTheEnd) {
    TMemoryDIB strip(3, 1);
    const std::uint32_t frames[3] = {bgra(1, 1, 1, 255), bgra(2, 2, 2, 255), bgra(3, 3, 3, 255)};
    for (int i = 0; i < 3; ++i)
        strip.SetPixel(i, 0, frames[i]);
    TMemoryDIB target(1, 1);
    DrawGlyphFrame(strip, 0, 0, true, 9, 9, 0, target, 3);
    EXPECT_EQ(target.Pixel(0, 0), frames[0]);
    DrawGlyphFrame(strip, 0, 0, false, 9, 9, 0, target, 3);
    EXPECT_EQ(target.Pixel(0, 0), frames[2]);
    DrawGlyphFrame(strip, 0, 0, true, -3, 9, 0, target, 3);
    EXPECT_EQ(target.Pixel(0, 0), frames[2]);
    DrawGlyphFrame(strip, 0, 0, false, -3, 9, 0, target, 3);
    EXPECT_EQ(target.Pixel(0, 0), frames[0]);
}

TEST(GlyphFrame, TheStripsOwnOpacityAndPositionApplyToTheBlendedFrame) {
    TMemoryDIB strip(2, 2);
    const std::uint32_t frame = bgra(250, 0, 100, 255);
    fillPixels(strip, frame);
    strip.SetOpacity(128);
    const std::uint32_t under = bgra(0, 200, 50, 255);
    TMemoryDIB target(4, 4);
    fillPixels(target, under);
    DrawGlyphFrame(strip, 1, 2, true, 0, 359, 0, target, 2);
    EXPECT_EQ(target.Pixel(1, 2), constantBlend(frame, under, 128));
    EXPECT_EQ(target.Pixel(1, 3), constantBlend(frame, under, 128));
    EXPECT_EQ(target.Pixel(2, 2), under) << "one frame of a two-frame strip is one pixel wide";
    EXPECT_EQ(target.Pixel(1, 1), under);
}

// ---- size

TEST(KnobSize, TheBodyGivesTheSizeAndAFixedRadiusPointerMayEnlargeIt) {
    Bench bench;
    TDIBDial* dial = bench.AddDial(17, 19);
    EXPECT_TRUE(dial->AutoSize());
    EXPECT_EQ(dial->Width(), 17) << "without a body the size stays";
    EXPECT_EQ(dial->Height(), 19);
    const int bodyIndex = bench.AddImage(40, 30, 0);
    dial->IndexMain()->SetDIBIndex(bodyIndex);
    EXPECT_EQ(dial->Width(), 40) << "a new image re-applies the size";
    EXPECT_EQ(dial->Height(), 30);
    dial->IndexPointer()->SetDIBIndex(bench.AddImage(10, 6, 0));
    dial->SetPointerRadius(20);
    dial->SetBounds(0, 0, 1, 1);
    EXPECT_EQ(dial->Width(), 40) << "reach max(30, 20 + 10 div 2) = 30 adds nothing";
    EXPECT_EQ(dial->Height(), 30);
    dial->SetPointerRadius(30);
    dial->SetBounds(0, 0, 1, 1);
    EXPECT_EQ(dial->Width(), 40);
    EXPECT_EQ(dial->Height(), 35) << "reach 30 + 5";
    bench.list->DIBImages()->Items(bodyIndex).SetDIB(TMemoryDIB(50, 20));
    EXPECT_EQ(dial->Width(), 50);
    EXPECT_EQ(dial->Height(), 35);
    dial->SetPointerRadius(0);
    dial->SetBounds(0, 0, 1, 1);
    EXPECT_EQ(dial->Height(), 20) << "a derived radius does not enlarge";
    dial->SetAutoSize(false);
    dial->SetBounds(0, 0, 7, 8);
    EXPECT_EQ(dial->Width(), 7);
    EXPECT_EQ(dial->Height(), 8);
}

// ---- creation and streams

TEST(KnobCreation, DefaultsRepeatAndTemplateNames) {
    Bench bench;
    auto* dial = new TDIBDial(&bench.form);
    EXPECT_TRUE(dial->AutoSize());
    EXPECT_TRUE(dial->AutoRepeat());
    EXPECT_EQ(dial->RepeatInterval(), 50);
    EXPECT_EQ(dial->Min(), 0);
    EXPECT_EQ(dial->Max(), 100);
    EXPECT_EQ(dial->PageSize(), 1);
    EXPECT_EQ(dial->PointerRadius(), -1);
    EXPECT_EQ(dial->MouseControlStyle(), mcsCircular);
    EXPECT_EQ(dial->MouseLinearSensitivity(), mlsBoth);
    EXPECT_EQ(dial->PointerAngles()->Range(), 360);
    EXPECT_EQ(dial->PointerOpacities()->Active(), 255);
    EXPECT_EQ(dial->IndexMain()->DIBIndex(), -1);
    EXPECT_EQ(dial->TemplateProperties(),
              (std::vector<std::string>{"Width", "Height", "AutoSize", "Max", "Min", "Opacity", "PageSize",
                                        "PointerAngles", "PointerOpacities", "PointerNumGlyphs",
                                        "PointerRadius", "PointerRotate", "Position", "SmallChange",
                                        "HorizontalPixelsPerPosition", "VerticalPixelsPerPosition",
                                        "MouseControlStyle", "MouseLinearSensitivity"}));
    std::vector<std::string> own;
    for (const toolkit::TPropertyInfo* info : dial->PublishedProperties().All())
        if (dial->TCustomDIBControl::PublishedProperties().Find(info->name) == nullptr)
            own.push_back(info->name);
    EXPECT_EQ(own, (std::vector<std::string>{
                       "Min", "Max", "Position", "SmallChange", "PageSize", "IndexMain", "IndexPointer",
                       "PointerNumGlyphs", "PointerRadius", "PointerRotate", "PointerAngles",
                       "PointerOpacities", "MouseControlStyle", "MouseLinearSensitivity",
                       "HorizontalPixelsPerPosition", "VerticalPixelsPerPosition", "AutoSize", "OnChange"}));
}

class TKnobForm : public toolkit::TForm {
  public:
    TKnobForm() : TForm(nullptr) {
        methods_.Add<void(toolkit::TPersistent*)>("KnobChange", [this](toolkit::TPersistent*) { ++changes; });
    }
    std::string_view ClassName() const override { return "TKnobForm"; }
    const toolkit::TMethodTable* MethodTable() const override { return &methods_; }
    int changes = 0;

  private:
    toolkit::TMethodTable methods_;
};

// Min comes before Max and lies above the default Max: only a loading knob takes that order. The
// change handler is bound before Position is read, and must not hear of it.
const char* const knobForm = R"(object KnobForm: TKnobForm
  object Panel: TDIBContainer
    Width = 100
    Height = 100
    object Knob: TDIBDial
      Left = 10
      Top = 20
      Width = 49
      Height = 49
      OnChange = KnobChange
      Min = 150
      Max = 200
      Position = 175
      SmallChange = 100
      PageSize = 5
      DIBImageList = Images
      IndexMain.DIBImageList = Images
      IndexMain.DIBIndex = 1
      IndexPointer.DIBImageList = Images
      IndexPointer.DIBIndex = 0
      PointerRadius = 3
      PointerAngles.Start = 210
      PointerAngles.Range = 300
      PointerAngles.Resolution = 250.5
      PointerOpacities.Active = 128
      MouseControlStyle = mcsLinear
      MouseLinearSensitivity = mlsVertical
      VerticalPixelsPerPosition = 2.5
    end
  end
  object Images: TDIBImageList
    DIBImages = <
      item
        DIB.Data = {
          0100010001020304
        }
      end
      item
        DIB.Data = {
          0200020011111111222222223333333344444444
        }
      end>
  end
end
)";

toolkit::TClassRegistry knobClasses() {
    toolkit::TClassRegistry registry;
    RegisterDIBContainerClasses(registry);
    RegisterDIBImageListClasses(registry);
    RegisterDIBDialClasses(registry);
    return registry;
}

void expectKnobOfTheForm(const TKnobForm& form) {
    auto* dial = dynamic_cast<TDIBDial*>(form.FindComponent("Knob"));
    ASSERT_NE(dial, nullptr);
    EXPECT_EQ(dial->Parent(), form.FindComponent("Panel"));
    EXPECT_EQ(dial->Min(), 150);
    EXPECT_EQ(dial->Max(), 200);
    EXPECT_EQ(dial->Position(), 175);
    EXPECT_EQ(dial->SmallChange(), 100);
    EXPECT_EQ(dial->PageSize(), 5);
    EXPECT_EQ(dial->PointerAngles()->Start(), 210);
    EXPECT_EQ(dial->PointerAngles()->Range(), 300);
    EXPECT_EQ(dial->PointerAngles()->Resolution(), 250.5L);
    EXPECT_EQ(dial->PointerOpacities()->Active(), 128);
    EXPECT_EQ(dial->PointerOpacities()->Normal(), 255);
    EXPECT_EQ(dial->MouseControlStyle(), mcsLinear);
    EXPECT_EQ(dial->MouseLinearSensitivity(), mlsVertical);
    EXPECT_EQ(dial->VerticalPixelsPerPosition(), 2.5L);
    EXPECT_EQ(dial->IndexMain()->DIBIndex(), 1);
    EXPECT_EQ(dial->IndexPointer()->DIBImageList(), form.FindComponent("Images"));
    // After loading the images size the knob: the body 2 × 2, the pointer reaching 3 + 1 div 2.
    EXPECT_EQ(dial->Left(), 10);
    EXPECT_EQ(dial->Top(), 20);
    EXPECT_EQ(dial->Width(), 3);
    EXPECT_EQ(dial->Height(), 3);
    EXPECT_EQ(form.changes, 0) << "no change event while loading";
    EXPECT_FALSE(dial->Loading());
}

TEST(KnobStream, AFormTextBuildsTheKnobWithItsSettingsAndImages) {
    TKnobForm form;
    toolkit::TReader(toolkit::CompileFormText(knobForm, {}), knobClasses()).ReadRootComponent(form);
    expectKnobOfTheForm(form);
    auto* dial = dynamic_cast<TDIBDial*>(form.FindComponent("Knob"));
    ASSERT_NE(dial, nullptr);
    dial->SetPosition(160);
    EXPECT_EQ(form.changes, 1) << "the handler named in the stream is bound";
}

TEST(KnobStream, WhatIsWrittenReadsBackTheSame) {
    TKnobForm form;
    toolkit::TReader(toolkit::CompileFormText(knobForm, {}), knobClasses()).ReadRootComponent(form);
    toolkit::TWriter writer;
    writer.WriteRootComponent(form);
    TKnobForm copy;
    toolkit::TReader(writer.Take(), knobClasses()).ReadRootComponent(copy);
    expectKnobOfTheForm(copy);
}

} // namespace
