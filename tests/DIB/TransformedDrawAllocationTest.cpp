// A turned or scaled draw allocates only what its target can show. A layout stream may carry a scale
// of thousands of percent (damaged or hostile); the draw must then neither allocate nor resample the
// whole enlarged picture, of which a small target shows a few hundred pixels. Each draw is measured
// through the global operator new, which this program replaces, and its pixels are compared with the
// whole result drawn into a target that holds all of it.
#include "DIB/cDIB.h"
#include "tests/support/AllocationCounter.h"
#include "tests/DIB/DIBTestSupport.h"
#include "tests/DIB/TransformedDrawReference.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

namespace {

using dib::TMemoryDIB;
using dibtest::referenceBackground;

// Every pixel different, alpha included.
void patternPixels(dib::TAbstractSuperDIB& image) {
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const auto ux = static_cast<std::uint32_t>(x);
            const auto uy = static_cast<std::uint32_t>(y);
            image.SetPixel(x, y,
                           dibtest::bgra(6 * ux + 1, 6 * uy + 3, (ux * 7 + uy * 13) & 0xFF, 10 + 6 * ux));
        }
}

constexpr int targetWidth = 32;
constexpr int targetHeight = 24;
// The most a draw may allocate: the pixels of the target's clip rectangle, and the bookkeeping of the
// image that holds them (the window-system memory's own record).
std::size_t mostBytesFor(dib::TDIBClipRect clip) {
    constexpr std::size_t bookkeeping = 256;
    return static_cast<std::size_t>(clip.Right - clip.Left + 1) *
               static_cast<std::size_t>(clip.Bottom - clip.Top + 1) * 4 +
           bookkeeping;
}

struct MeasuredDraw {
    testing_support::Allocations used;
    dibtest::ClippedComparison comparison;
};

// Draws onto a fresh 32 × 24 background target with the clip, counting what the draw alone allocates,
// and compares the target with the whole result placed at (wholeX, wholeY).
MeasuredDraw measureDraw(dib::TAbstractSuperDIB& source, const dibtest::TransformedDraw& draw,
                         dib::TDIBClipRect clip, const TMemoryDIB& whole, std::int64_t wholeX,
                         std::int64_t wholeY) {
    const auto target = dibtest::backgroundTarget(targetWidth, targetHeight, clip);
    const testing_support::Allocations before = testing_support::allocationsSoFar();
    source.Draw(draw.x, draw.y, 0, 0, draw.w, draw.h, *target);
    const testing_support::Allocations after = testing_support::allocationsSoFar();
    return {{after.count - before.count, after.bytes - before.bytes},
            dibtest::compareWithWhole(*target, wholeX, wholeY, whole)};
}

// Placements of a whole × whole result that show its top-left corner, its middle and its bottom-right
// corner, through the whole target and through a clip rectangle away from the origin.
void expectSmallAndExact(dib::TAbstractSuperDIB& source, int w, int h, const std::string& what) {
    const auto whole = dibtest::wholeResult(source, w, h);
    const int W = whole->Width();
    const int H = whole->Height();
    const struct {
        int x, y;
    } placements[] = {{5, 3}, {-(W / 2) + 7, -(H / 2) + 5}, {-(W - 20), -(H - 15)}, {-(W / 3), 18 - H}};
    for (const dib::TDIBClipRect clip :
         {dib::TDIBClipRect{0, 0, targetWidth - 1, targetHeight - 1}, dib::TDIBClipRect{9, 5, 26, 19}})
        for (const auto& at : placements) {
            const MeasuredDraw m = measureDraw(source, {at.x, at.y, w, h}, clip, *whole, at.x, at.y);
            const std::string where = what + ", drawn at (" + std::to_string(at.x) + ", " +
                                      std::to_string(at.y) + "), clip left " + std::to_string(clip.Left);
            EXPECT_LE(m.used.bytes, mostBytesFor(clip)) << where;
            EXPECT_EQ(m.comparison.firstDifference, "") << where;
            EXPECT_GT(m.comparison.shown, 0) << where;
        }
}

TEST(TransformedDrawAllocation, TheCounterSeesImageMemory) {
    // Without this, a draw could pass the limits below by allocating where the counter does not look.
    const testing_support::Allocations before = testing_support::allocationsSoFar();
    {
        dib::TWinDIB window(10, 10);
        TMemoryDIB memory(10, 10);
    }
    EXPECT_GE(testing_support::allocationsSoFar().bytes - before.bytes, 2u * 10 * 10 * 4);
}

TEST(TransformedDrawAllocation, AScaleOf5000PercentIntoASmallTargetAllocatesAndShowsOnlyThePart) {
    TMemoryDIB source(40, 40); // 2000 × 2000 when drawn whole
    patternPixels(source);
    source.SetScale(5000);
    source.SetAutoSize(true);
    expectSmallAndExact(source, 40, 40, "5000 %");
    source.SetMasked(true);
    source.SetOpacity(170);
    expectSmallAndExact(source, 40, 40, "5000 %, masked, opacity 170");
}

TEST(TransformedDrawAllocation, AHugeHorizontalAndASmallVerticalScaleAllocateOnlyThePart) {
    TMemoryDIB source(40, 40); // 3200 × 4 when drawn whole
    patternPixels(source);
    source.SetScaleX(8000);
    source.SetScaleY(10);
    source.SetAutoSize(true);
    source.SetTransparent(true);
    expectSmallAndExact(source, 40, 40, "8000 % × 10 %, colour key");
}

TEST(TransformedDrawAllocation, ATurnedScaleOf5000PercentAllocatesOnlyThePart) {
    TMemoryDIB source(24, 24); // about 1640 × 1640 when drawn whole
    patternPixels(source);
    source.SetScale(5000);
    source.SetAutoSize(true);
    for (const int angle : {30, 135, 270}) {
        source.SetAngle(angle);
        expectSmallAndExact(source, 24, 24, std::to_string(angle) + "°, 5000 %");
    }
}

TEST(TransformedDrawAllocation, ARequestOfTheLargestSideAllocatesOnlyThePartAndCentresThePicture) {
    // A 65535 × 65535 result (17 GB whole) of a 40 × 40 picture at 5000 %: the picture is the same
    // 2000 × 2000 one as when the request is its own size, centred. The resampler walks from the
    // result's centre, so column c of the small result is column c + 65535 / 2 − 2000 / 2 of the
    // large one, and row r (from the top; rows are stored bottom-up) is row r + 65534 − 65535 / 2 −
    // 1999 + 2000 / 2 of it.
    constexpr int side = dib::TAbstractSuperDIB::MaxSide;
    constexpr int colShift = side / 2 - 1000;
    constexpr int rowShift = side - 1 - side / 2 - 1999 + 1000;
    TMemoryDIB source(40, 40);
    patternPixels(source);
    source.SetScale(5000);
    const auto whole = dibtest::wholeResult(source, 2000, 2000);
    for (const dib::TDIBClipRect clip :
         {dib::TDIBClipRect{0, 0, targetWidth - 1, targetHeight - 1}, dib::TDIBClipRect{3, 4, 20, 22}})
        for (const int at : {-colShift - 1, -colShift - 1000, -colShift - 1950}) {
            const MeasuredDraw m =
                measureDraw(source, {at, at, side, side}, clip, *whole, at + colShift, at + rowShift);
            EXPECT_LE(m.used.bytes, mostBytesFor(clip)) << "drawn at " << at;
            EXPECT_EQ(m.comparison.firstDifference, "") << "drawn at " << at;
            EXPECT_GT(m.comparison.shown, 0) << "drawn at " << at;
        }
}

TEST(TransformedDrawAllocation, AResultOutsideTheClipAllocatesNothing) {
    TMemoryDIB source(40, 40);
    patternPixels(source);
    source.SetScale(5000);
    source.SetAngle(45);
    source.SetAutoSize(true);
    TMemoryDIB target(targetWidth, targetHeight);
    target.SetClipRect({10, 10, 20, 20});
    auto nothing = TMemoryDIB::CreateEmptyView(); // a view of no image yet has no pixels to draw on
    const testing_support::Allocations before = testing_support::allocationsSoFar();
    source.Draw(21, 0, target);
    source.Draw(-4000, 0, target);
    source.Draw(0, 21, target);
    source.Draw(0, -4000, target);
    source.Draw(0, 0, *nothing);
    EXPECT_EQ(testing_support::allocationsSoFar().count - before.count, 0);
}

} // namespace
