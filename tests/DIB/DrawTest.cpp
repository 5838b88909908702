// Clipped and turned drawing, the geometry helpers, and the settings' change notification.
#include "DIB/cDIB.h"
#include "platform/PixelMemory.h"
#include "tests/DIB/DIBTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using dib::EDIBError;
using dib::TMemoryDIB;
using dib::TWinDIB;
using dibtest::bgra;
using dibtest::fillPixels;

// Each pixel tells its own position: blue = x, green = y, alpha 255.
void numberPixels(dib::TAbstractSuperDIB& image) {
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            image.SetPixel(x, y, bgra(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 0, 255));
}

TEST(ClippedDraw, NegativePositionOntoSmallerTargetDrawsTheAlignedOverlap) {
    TMemoryDIB source(10, 8);
    numberPixels(source);
    TMemoryDIB target(4, 3);
    fillPixels(target, 0);
    source.Draw(-3, -2, target);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(target.Pixel(x, y),
                      bgra(static_cast<std::uint32_t>(x + 3), static_cast<std::uint32_t>(y + 2), 0, 255));
}

TEST(ClippedDraw, SourceRectangleIsCountedFromTheTop) {
    TMemoryDIB source(6, 6);
    numberPixels(source);
    TMemoryDIB target(6, 6);
    fillPixels(target, 0);
    source.Draw(1, 1, 4, 3, 2, 2, target);
    EXPECT_EQ(target.Pixel(1, 1), bgra(4, 3, 0, 255));
    EXPECT_EQ(target.Pixel(2, 2), bgra(5, 4, 0, 255));
    EXPECT_EQ(target.Pixel(3, 1), 0u);
    EXPECT_EQ(target.Pixel(1, 3), 0u);
}

TEST(ClippedDraw, TargetClipRectangleLimitsAndShiftsTheSource) {
    TMemoryDIB source(5, 5);
    numberPixels(source);
    TMemoryDIB target(5, 5);
    fillPixels(target, 0);
    target.SetClipRect({3, 3, 1, 2}); // swapped edges are normalised to 1..3, 2..3
    EXPECT_EQ(target.ClipRect(), (dib::TDIBClipRect{1, 2, 3, 3}));
    source.Draw(0, 0, target);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) {
            const bool inside = x >= 1 && x <= 3 && y >= 2 && y <= 3;
            EXPECT_EQ(target.Pixel(x, y),
                      inside ? bgra(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 0, 255)
                             : 0u)
                << x << "," << y;
        }
}

TEST(ClippedDraw, ClipRectangleIsClampedAndResetByResizing) {
    TMemoryDIB image(10, 10);
    image.SetClipRect({-5, -5, 50, 4});
    EXPECT_EQ(image.ClipRect(), (dib::TDIBClipRect{0, 0, 9, 4}));
    image.SetSize(20, 6);
    EXPECT_EQ(image.ClipRect(), (dib::TDIBClipRect{0, 0, 19, 5}));
}

TEST(ClippedDraw, OutsideOrEmptyRectanglesDrawNothingAndDoNotNotify) {
    TMemoryDIB source(4, 4);
    TMemoryDIB target(4, 4);
    int changes = 0;
    target.OnChange = [&](toolkit::TPersistent*) { ++changes; };
    source.Draw(4, 0, target);
    source.Draw(-4, 0, target);
    source.Draw(0, 0, 0, 0, 0, 4, target);
    source.Draw(0, 0, 4, 0, 2, 2, target);
    EXPECT_EQ(changes, 0);
    source.Draw(3, 3, target);
    EXPECT_EQ(changes, 1);
}

TEST(Geometry, AngleSetterWrapsIntoOneTurn) {
    TMemoryDIB image;
    image.SetAngle(370);
    EXPECT_EQ(image.Angle(), 10);
    image.SetAngle(720);
    EXPECT_EQ(image.Angle(), 0);
    EXPECT_EQ(dib::NormalizeAngle(-90), 270);
}

TEST(Geometry, SizeZeroBecomesOneAndOversizeIsRefused) {
    TMemoryDIB image(3, 3);
    image.SetSize(0, 5);
    EXPECT_EQ(image.Width(), 1);
    EXPECT_EQ(image.Height(), 5);
    EXPECT_THROW(image.SetSize(70000, 1), EDIBError);
    EXPECT_EQ(image.Width(), 1) << "a refused size leaves the old one";
}

TEST(Geometry, RotatedSizeMakesOddSizesEvenAndSwapsAtQuarterTurns) {
    EXPECT_EQ(dib::RotatedSize(10, 20, 90, 100, 100), (dib::TDIBSize{20, 10}));
    EXPECT_EQ(dib::RotatedSize(570, 265, 90, 100, 100), (dib::TDIBSize{266, 570}));
    EXPECT_EQ(dib::RotatedSize(9, 7, 0, 100, 100), (dib::TDIBSize{10, 8}));
    EXPECT_EQ(dib::RotatedSize(10, 10, 0, 50, 200), (dib::TDIBSize{6, 20}));
    // 45°: 10 × (cos + sin) = 14.142…, up to 15, then even
    EXPECT_EQ(dib::RotatedSize(10, 10, 45, 100, 100), (dib::TDIBSize{16, 16}));
}

TEST(Geometry, NearestRoundsHalvesToEven) {
    EXPECT_EQ(dib::Nearest(2.5L), 2);
    EXPECT_EQ(dib::Nearest(3.5L), 4);
    EXPECT_EQ(dib::Nearest(-2.5L), -2);
    EXPECT_EQ(dib::Nearest(-2.6L), -3);
}

TEST(RotatedDraw, QuarterTurnPutsTheTopEdgeOnTheRightSide) {
    TMemoryDIB source(8, 8);
    fillPixels(source, bgra(0, 0, 0, 255));
    for (int x = 1; x < 7; ++x)
        source.SetPixel(x, 1, bgra(255, 0, 0, 255)); // a line near the top edge
    source.SetAngle(90);
    TMemoryDIB target(8, 8);
    fillPixels(target, 0);
    source.Draw(0, 0, target);
    int rightSide = 0;
    int elsewhere = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if (target.Pixel(x, y) == bgra(255, 0, 0, 255))
                ++(x >= 5 ? rightSide : elsewhere);
    EXPECT_GE(rightSide, 4);
    EXPECT_EQ(elsewhere, 0);
}

TEST(RotatedDraw, AutoSizeGrowsTheResultAndTheBackgroundIsTheStoredColour) {
    TMemoryDIB source(10, 4);
    fillPixels(source, bgra(50, 60, 70, 255));
    source.SetTransparentColor(0x0000FF); // red, stored; the effective key under tmAuto is the bottom-left
    source.SetAngle(90);
    source.SetAutoSize(true);
    TMemoryDIB target(12, 12);
    fillPixels(target, bgra(1, 1, 1, 1));
    source.Draw(0, 0, target);
    EXPECT_EQ(target.Pixel(2, 5), bgra(50, 60, 70, 255)) << "inside the turned 4 × 10 picture";
    EXPECT_EQ(target.Pixel(11, 11), bgra(1, 1, 1, 1)) << "beyond the 4 × 10 result";
    EXPECT_EQ(target.Pixel(0, 0), bgra(0, 0, 255, 0)) << "result background: stored colour, alpha 0";
}

TEST(ScaledDraw, HalfScaleSamplesEverySecondPixel) {
    TMemoryDIB source(8, 8);
    numberPixels(source);
    source.SetScale(50);
    source.SetAutoSize(true);
    TMemoryDIB target(8, 8);
    fillPixels(target, 0x12345678);
    source.Draw(0, 0, target);
    // The 4 × 4 result steps two source pixels at a time; its first row and column in memory fall on
    // the source's outermost row and column, which the resampler leaves as background.
    EXPECT_EQ(target.Pixel(1, 2), bgra(2, 5, 0, 255));
    EXPECT_EQ(target.Pixel(3, 0), bgra(6, 1, 0, 255));
    EXPECT_EQ(target.Pixel(0, 0), 0u) << "background: the stored colour 0 with alpha 0";
    EXPECT_EQ(target.Pixel(5, 5), 0x12345678u) << "outside the 4 × 4 result";
}

TEST(ScaledDraw, ZeroScaleDrawsNothing) {
    TMemoryDIB source(4, 4);
    fillPixels(source, bgra(1, 2, 3, 4));
    source.SetScale(0);
    TMemoryDIB target(4, 4);
    fillPixels(target, 0);
    source.Draw(0, 0, target);
    EXPECT_EQ(target.Pixel(1, 1), 0u);
}

TEST(ChangeNotification, UpdatesNestAndNotifyOnceAtTheEnd) {
    TMemoryDIB image;
    int changes = 0;
    image.OnChange = [&](toolkit::TPersistent* sender) {
        EXPECT_EQ(sender, &image);
        ++changes;
    };
    image.BeginUpdate();
    image.BeginUpdate();
    image.SetOpacity(10);
    image.SetMasked(true);
    image.EndUpdate();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(image.BlendRoutine(), dib::TBlendRoutine::AlphaBlendOpacity)
        << "routine re-selected inside an update";
    image.EndUpdate();
    EXPECT_EQ(changes, 1);
    image.SetOpacity(10);
    EXPECT_EQ(changes, 1) << "an unchanged value does not notify";
}

TEST(ChangeNotification, EndUpdateWithoutBeginUpdateIsRefused) {
    TMemoryDIB image;
    try {
        image.EndUpdate();
        FAIL() << "EndUpdate without BeginUpdate was accepted";
    } catch (const EDIBError& error) {
        EXPECT_STREQ(error.what(), "EndUpdate without BeginUpdate");
    }
}

TEST(Settings, ResetSettingsRestoresDefaultsAndReselectsTheRoutine) {
    TMemoryDIB image;
    image.SetAngle(30);
    image.SetOpacity(0);
    image.SetMasked(true);
    image.SetScaleY(40);
    image.ResetSettings();
    EXPECT_EQ(image.Angle(), 0);
    EXPECT_EQ(image.Opacity(), 255);
    EXPECT_FALSE(image.Masked());
    EXPECT_EQ(image.ScaleY(), 100);
    EXPECT_EQ(image.BlendRoutine(), dib::TBlendRoutine::Copy);
}

TEST(Settings, AssignSettingsToCopiesSettingsAndRefusesOtherClasses) {
    TMemoryDIB source(3, 3);
    source.SetTransparent(true);
    source.SetOpacity(9);
    source.SetScaleX(80);
    source.SetTransparentMode(dib::tmFixed);
    TWinDIB dest(5, 5);
    source.AssignSettingsTo(dest);
    EXPECT_TRUE(dest.Transparent());
    EXPECT_EQ(dest.Opacity(), 9);
    EXPECT_EQ(dest.ScaleX(), 80);
    EXPECT_EQ(dest.BlendRoutine(), dib::TBlendRoutine::ColourKeyOpacity);
    EXPECT_EQ(dest.Width(), 5) << "an image that owns its pixels keeps its size";
    toolkit::TPersistent other;
    try {
        source.AssignSettingsTo(other);
        FAIL() << "assigned settings to a TPersistent";
    } catch (const EDIBError& error) {
        EXPECT_STREQ(error.what(), "Cannot assign a TAbstractDIB to a TPersistent");
    }
}

TEST(Settings, AssignCopiesPixelsSizeAndSettings) {
    TMemoryDIB source(3, 2);
    numberPixels(source);
    source.SetOpacity(5);
    TMemoryDIB copy;
    copy.Assign(source);
    EXPECT_EQ(copy.Width(), 3);
    EXPECT_EQ(copy.Pixel(2, 1), bgra(2, 1, 0, 255));
    EXPECT_EQ(copy.Opacity(), 5);
    EXPECT_NE(copy.Pixels(), source.Pixels());
}

TEST(Views, ViewSharesPixelsAndSettingsWithoutOwningThem) {
    auto source = std::make_unique<TMemoryDIB>(4, 3);
    source->SetOpacity(77);
    auto view = TMemoryDIB::CreateView(*source);
    EXPECT_EQ(view->Pixels(), source->Pixels());
    EXPECT_FALSE(view->OwnsPixels());
    EXPECT_EQ(view->Width(), 4);
    EXPECT_EQ(view->Opacity(), 77);
    view->SetOpacity(1);
    EXPECT_EQ(source->Opacity(), 77) << "the view's settings are its own";
    view->SetSize(2, 2);
    EXPECT_TRUE(view->OwnsPixels()) << "resizing a view gives it pixels of its own";
    source.reset();
    view->Fill(toolkit::clRed);
    EXPECT_EQ(view->Pixel(1, 1), bgra(0, 0, 255, 0));
}

TEST(Filling, FillRectIsClippedAndDoesNotNotify) {
    TMemoryDIB image(4, 4);
    fillPixels(image, 0);
    int changes = 0;
    image.OnChange = [&](toolkit::TPersistent*) { ++changes; };
    image.FillRect(toolkit::clBlue, -2, 3, 4, 10);
    image.FillRect(toolkit::clBlue, 1, 1, 0, 3);
    EXPECT_EQ(image.Pixel(1, 3), bgra(255, 0, 0, 0));
    EXPECT_EQ(image.Pixel(2, 3), 0u);
    EXPECT_EQ(image.Pixel(1, 2), 0u);
    EXPECT_EQ(changes, 0);
    image.SetAlpha(128);
    EXPECT_EQ(image.Pixel(1, 3), bgra(255, 0, 0, 128));
    EXPECT_EQ(changes, 1);
}

TEST(Filling, SystemColoursAreConvertedBeforeFilling) {
    TMemoryDIB image(1, 1);
    image.Fill(toolkit::clInfoBk);
    EXPECT_EQ(image.Pixel(0, 0), bgra(225, 255, 255, 0));
    EXPECT_EQ(dib::PixelToColor(image.Pixel(0, 0)), toolkit::ColorToRGB(toolkit::clInfoBk));
}

TEST(WindowBackedImage, DrawsLikeAMemoryImage) {
    TWinDIB back(3, 3);
    fillPixels(back, 0);
    TMemoryDIB source(1, 1);
    source.SetPixel(0, 0, bgra(1, 2, 3, 4));
    source.Draw(2, 2, back);
    EXPECT_EQ(back.Pixel(2, 2), bgra(1, 2, 3, 4));
    ASSERT_NE(back.Memory(), nullptr);
    EXPECT_EQ(back.Memory()->Pixels(), back.Pixels());
}

} // namespace
