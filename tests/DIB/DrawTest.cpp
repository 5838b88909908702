// Clipped and turned drawing, the geometry helpers, and the settings' change notification.
#include "DIB/cDIB.h"
#include "platform/PixelMemory.h"
#include "tests/DIB/DIBTestSupport.h"
#include "tests/DIB/TransformedDrawReference.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

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

// ---- a turned or scaled draw of which the target shows only a part

// Every pixel different, alpha included, so that a pixel taken from the wrong row or column shows.
void patternPixels(dib::TAbstractSuperDIB& image) {
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const auto ux = static_cast<std::uint32_t>(x);
            const auto uy = static_cast<std::uint32_t>(y);
            image.SetPixel(x, y, bgra(20 * ux + 5, 30 * uy + 7, (ux * 7 + uy * 13) & 0xFF, 40 + 20 * ux));
        }
}

// A 12 × 10 target, placed so that it shows the result's left and right edges, its top and bottom
// edges and its middle, through clip rectangles at the origin and away from it.
constexpr int partWidth = 12;
constexpr int partHeight = 10;
constexpr dib::TDIBClipRect partClips[] = {
    {0, 0, partWidth - 1, partHeight - 1}, {3, 2, 9, 7}, {11, 9, 11, 9}, {0, 4, 1, 9}};

std::vector<int> placements(int resultSide, int targetSide) {
    return {-(resultSide - 3), -(resultSide / 2), -2, 3, targetSide - 3};
}

// Compares every placement and clip with the whole draw; returns how many clipped pixels showed the
// result, so that a caller can tell the comparison was not empty.
int expectPartsEqualTheWhole(dib::TAbstractSuperDIB& source, int w, int h, const std::string& what) {
    const auto whole = dibtest::wholeResult(source, w, h);
    int shown = 0;
    for (const int x : placements(whole->Width(), partWidth))
        for (const int y : placements(whole->Height(), partHeight))
            for (const dib::TDIBClipRect& clip : partClips) {
                const dibtest::ClippedComparison c = dibtest::drawAndCompareWithWhole(
                    source, {x, y, w, h}, *whole, partWidth, partHeight, clip);
                EXPECT_EQ(c.firstDifference, "")
                    << what << ", drawn at (" << x << ", " << y << "), clip " << clip.Left << "," << clip.Top
                    << "," << clip.Right << "," << clip.Bottom;
                shown += c.shown;
            }
    return shown;
}

// The result pixel at column col and row row (from the top) of a whole turned or scaled result, worked
// out on its own by the nearest-neighbour walk: from the result's centre, a column steps by the
// angle's cosine and sine (times 256, rounded) and a row by those of the angle plus 90°, each divided
// by the scale; rows are stored bottom-up and the walk starts at the first row in memory.
std::uint32_t walkedPixel(const dib::TAbstractSuperDIB& image, dib::TDIBSize whole, int col, int row) {
    const auto trig256 = [](int degrees, bool cosine) {
        const long double r = degrees * std::numbers::pi_v<long double> / 180;
        return dib::Nearest((cosine ? std::cos(r) : std::sin(r)) * 256);
    };
    const long double sw = image.ScaleX() / 100 * image.Width();
    const long double sh = image.ScaleY() / 100 * image.Height();
    const int a = image.Angle();
    const std::int64_t rowStepY =
        dib::Nearest(trig256(a + 90, false) * static_cast<long double>(image.Height()) / sh);
    const std::int64_t rowStepX =
        dib::Nearest(trig256(a + 90, true) * static_cast<long double>(image.Width()) / sw);
    const std::int64_t colStepY =
        dib::Nearest(trig256(a, false) * static_cast<long double>(image.Height()) / sh);
    const std::int64_t colStepX =
        dib::Nearest(trig256(a, true) * static_cast<long double>(image.Width()) / sw);
    const std::int64_t memoryRow = whole.Height - 1 - row;
    const std::int64_t v = (col - whole.Width / 2) * colStepY + (memoryRow - whole.Height / 2) * rowStepY;
    const std::int64_t u = (col - whole.Width / 2) * colStepX + (memoryRow - whole.Height / 2) * rowStepX;
    const std::int64_t halfW = image.Width() / 2;
    const std::int64_t halfH = image.Height() / 2;
    if (-halfH < v / 256 && v / 256 < halfH && -halfW < u / 256 && u / 256 < halfW)
        return image.Pixels()[(v / 256 + halfH) * image.Width() + u / 256 + halfW];
    return image.Masked() ? 0 : dib::ColorToPixel(image.TransparentColor());
}

TEST(TurnedDraw, EveryFifteenDegreesTheWholeResultFollowsTheResamplingWalk) {
    // The clipped draws below are compared with the whole draw; this pins the whole draw itself, so a
    // walk that starts a row or column off everywhere cannot pass as consistent.
    TMemoryDIB source(9, 7);
    patternPixels(source);
    source.SetTransparentColor(0x123456); // the background of a result that is neither masked nor keyed
    for (int angle = 0; angle < 360; angle += 15)
        for (const long double scale : {137.0L, 60.0L})
            for (const bool autoSize : {true, false}) {
                source.SetAngle(angle);
                source.SetScaleX(scale);
                source.SetScaleY(250 - scale);
                source.SetAutoSize(autoSize);
                const int w = autoSize ? 9 : 15;
                const int h = autoSize ? 7 : 11;
                const auto whole = dibtest::wholeResult(source, w, h); // by the copy routine: the bare result
                for (int row = 0; row < whole->Height(); ++row)
                    for (int col = 0; col < whole->Width(); ++col)
                        ASSERT_EQ(whole->Pixel(col, row),
                                  walkedPixel(source, {whole->Width(), whole->Height()}, col, row))
                            << angle << "°, scale " << double(scale) << (autoSize ? ", auto-size" : "")
                            << ", column " << col << ", row " << row;
            }
}

TEST(ClippedTurnedDraw, EveryFifteenDegreesAndScaleTheClippedPartHasTheWholeDrawsPixels) {
    // A skipped row or column that moved the resampler's start by the wrong step, or a part placed
    // one pixel off, shows here as a pixel of the neighbouring row or column.
    struct Scales {
        long double x, y;
    };
    constexpr Scales scales[] = {{100, 100}, {137, 137}, {250, 60}, {45, 180}};
    TMemoryDIB source(9, 7); // odd sides: the resampler's halves round down
    patternPixels(source);
    for (int angle = 0; angle < 360; angle += 15)
        for (const Scales& scale : scales)
            for (const bool autoSize : {true, false}) {
                source.SetAngle(angle);
                source.SetScaleX(scale.x);
                source.SetScaleY(scale.y);
                source.SetAutoSize(autoSize);
                // Without AutoSize the result is the request, here larger than the image.
                const int w = autoSize ? 9 : 15;
                const int h = autoSize ? 7 : 11;
                const std::string what =
                    std::to_string(angle) + "°, scale " + std::to_string(double(scale.x)) + " × " +
                    std::to_string(double(scale.y)) + (autoSize ? ", auto-size" : ", 15 × 11 requested");
                EXPECT_GT(expectPartsEqualTheWhole(source, w, h, what), 0) << what;
            }
}

TEST(ClippedTurnedDraw, EveryBlendSettingBlendsTheSameBitsWhenClipped) {
    // The part must carry the whole result's background, key and blend routine: a colour-keyed part
    // keyed by its own bottom-left pixel instead of the image's, or a part that lost the opacity,
    // blends other bits.
    struct Setting {
        const char* name;
        int opacity;
        bool masked;
        bool transparent;
    };
    constexpr Setting settings[] = {
        {"copy", 255, false, false},       {"constant opacity", 90, false, false},
        {"alpha blend", 255, true, false}, {"alpha blend with opacity", 150, true, false},
        {"colour key", 255, false, true},  {"colour key with opacity", 200, false, true}};
    TMemoryDIB source(9, 7);
    patternPixels(source);
    source.SetTransparentColor(0x0000FF); // the result's background; the key is the bottom-left pixel
    for (const Setting& setting : settings)
        for (const int angle : {0, 45, 300}) {
            source.SetOpacity(static_cast<std::uint8_t>(setting.opacity));
            source.SetMasked(setting.masked);
            source.SetTransparent(setting.transparent);
            source.SetAngle(angle);
            source.SetScaleX(angle == 0 ? 300 : 150);
            source.SetScaleY(150);
            source.SetAutoSize(true);
            const std::string what = std::string(setting.name) + ", " + std::to_string(angle) + "°";
            EXPECT_GT(expectPartsEqualTheWhole(source, 9, 7, what), 0) << what;
        }
}

TEST(ClippedTurnedDraw, AResultOutsideTheClipOrFarAwayDrawsNothingAndDoesNotNotify) {
    // Placements whose far edge would overflow an int must be clipped, not wrapped round onto the target.
    TMemoryDIB source(9, 7);
    patternPixels(source);
    source.SetAngle(30);
    source.SetScale(300);
    source.SetAutoSize(true);
    TMemoryDIB target(partWidth, partHeight);
    fillPixels(target, dibtest::referenceBackground);
    target.SetClipRect({4, 3, 8, 6});
    int changes = 0;
    target.OnChange = [&](toolkit::TPersistent*) { ++changes; };
    const dib::TDIBSize size = dibtest::resultSize(source, 9, 7);
    const struct {
        int x, y;
    } outside[] = {{9, 0},           {0, 7},           {4 - size.Width, 0}, {0, 3 - size.Height},
                   {INT_MAX - 5, 0}, {0, INT_MAX - 5}, {INT_MIN, INT_MIN},  {INT_MIN + 3, INT_MAX}};
    for (const auto& at : outside)
        source.Draw(at.x, at.y, target);
    for (int y = 0; y < partHeight; ++y)
        for (int x = 0; x < partWidth; ++x)
            ASSERT_EQ(target.Pixel(x, y), dibtest::referenceBackground) << x << "," << y;
    EXPECT_EQ(changes, 0);
    source.Draw(8 - size.Width + 1, 6 - size.Height + 1, target); // its bottom-right pixel on the clip's
    EXPECT_EQ(changes, 1);
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
