// The per-pixel rules and the choice of routine: exact integers, as the skin's artwork relies on them.
#include "DIB/cDIB.h"
#include "tests/DIB/DIBTestSupport.h"

#include <gtest/gtest.h>

namespace {

using dib::TBlendRoutine;
using dib::TMemoryDIB;
using dibtest::bgra;
using dibtest::blendOne;

TEST(BlendRoutineSelection, FollowsOpacityMaskAndTransparency) {
    TMemoryDIB image(1, 1);
    EXPECT_EQ(image.BlendRoutine(), TBlendRoutine::Copy);
    image.SetTransparent(true);
    EXPECT_EQ(image.BlendRoutine(), TBlendRoutine::ColourKey);
    image.SetOpacity(100);
    EXPECT_EQ(image.BlendRoutine(), TBlendRoutine::ColourKeyOpacity);
    image.SetMasked(true);
    EXPECT_FALSE(image.Transparent()) << "Masked must clear Transparent";
    EXPECT_EQ(image.BlendRoutine(), TBlendRoutine::AlphaBlendOpacity);
    image.SetOpacity(255);
    EXPECT_EQ(image.BlendRoutine(), TBlendRoutine::AlphaBlend);
    image.SetTransparent(true);
    EXPECT_FALSE(image.Masked()) << "Transparent must clear Masked";
    image.SetTransparent(false);
    image.SetOpacity(0);
    EXPECT_EQ(image.BlendRoutine(), TBlendRoutine::ConstantOpacity);
}

TEST(ConstantOpacityBlend, HalfWhiteOverBlackGives128) {
    TMemoryDIB source(1, 1);
    source.SetOpacity(128);
    EXPECT_EQ(blendOne(source, bgra(255, 255, 255, 0), bgra(0, 0, 0, 0)), bgra(128, 128, 128, 0));
}

TEST(ConstantOpacityBlend, OpacityZeroLeavesEveryChannelExactly) {
    TMemoryDIB source(1, 1);
    source.SetOpacity(0);
    EXPECT_EQ(blendOne(source, bgra(255, 255, 255, 7), bgra(1, 2, 3, 200)), bgra(1, 2, 3, 200));
}

TEST(ConstantOpacityBlend, RoundsUpByTheAdded255AndKeepsTheLargerAlpha) {
    TMemoryDIB source(1, 1);
    source.SetOpacity(100);
    // blue: (100×200 + 155×10 + 255) >> 8 = 85; green: (100×0 + 155×255 + 255) >> 8 = 155
    EXPECT_EQ(blendOne(source, bgra(200, 0, 77, 30), bgra(10, 255, 77, 90)), bgra(85, 155, 77, 90));
}

TEST(AlphaBlend, SourceAlphaZeroLeavesColoursAndAlpha255CopiesThem) {
    TMemoryDIB source(1, 1);
    source.SetMasked(true);
    EXPECT_EQ(blendOne(source, bgra(255, 255, 255, 0), bgra(10, 20, 30, 40)), bgra(10, 20, 30, 40));
    EXPECT_EQ(blendOne(source, bgra(200, 100, 50, 255), bgra(10, 20, 30, 40)), bgra(200, 100, 50, 255));
}

TEST(AlphaBlend, MixesByTheSourceAlpha) {
    TMemoryDIB source(1, 1);
    source.SetMasked(true);
    // (64×255 + 191×0 + 255) >> 8 = 64
    EXPECT_EQ(blendOne(source, bgra(255, 255, 255, 64), bgra(0, 0, 0, 10)), bgra(64, 64, 64, 64));
}

TEST(AlphaBlendWithOpacity, ScalesTheSourceAlphaByOpacityFirst) {
    TMemoryDIB source(1, 1);
    source.SetMasked(true);
    source.SetOpacity(128);
    // a = (200 × 128) >> 8 = 100; (100×255 + 155×0 + 255) >> 8 = 100; alpha max(200, 5)
    EXPECT_EQ(blendOne(source, bgra(255, 255, 255, 200), bgra(0, 0, 0, 5)), bgra(100, 100, 100, 200));
}

TEST(ColourKey, KeyBlackSkipsBlackAndCopiesOthersWithAlphaZero) {
    TMemoryDIB source(2, 1);
    source.SetTransparentMode(dib::tmFixed);
    source.SetTransparentColor(toolkit::clBlack);
    source.SetTransparent(true);
    TMemoryDIB target(2, 1);
    source.SetPixel(0, 0, bgra(0, 0, 0, 99));
    source.SetPixel(1, 0, bgra(1, 0, 0, 99));
    target.SetPixel(0, 0, bgra(9, 9, 9, 9));
    target.SetPixel(1, 0, bgra(9, 9, 9, 9));
    source.Draw(0, 0, target);
    EXPECT_EQ(target.Pixel(0, 0), bgra(9, 9, 9, 9));
    EXPECT_EQ(target.Pixel(1, 0), bgra(1, 0, 0, 0));
}

TEST(ColourKey, KeyIgnoresAlphaOfTheSourcePixel) {
    TMemoryDIB source(1, 1);
    source.SetTransparentMode(dib::tmFixed);
    source.SetTransparentColor(0x665544); // red 0x44, green 0x55, blue 0x66
    source.SetTransparent(true);
    EXPECT_EQ(blendOne(source, bgra(0x66, 0x55, 0x44, 0xFF), bgra(1, 1, 1, 1)), bgra(1, 1, 1, 1));
}

TEST(ColourKeyWithOpacity, BlendsColoursAndTakesSourceAlphaOutsideTheKey) {
    TMemoryDIB source(2, 1);
    source.SetTransparentMode(dib::tmFixed);
    source.SetTransparentColor(toolkit::clBlack);
    source.SetTransparent(true);
    source.SetOpacity(128);
    TMemoryDIB target(2, 1);
    source.SetPixel(0, 0, bgra(0, 0, 0, 50));
    source.SetPixel(1, 0, bgra(255, 255, 255, 50));
    target.SetPixel(0, 0, bgra(7, 7, 7, 200));
    target.SetPixel(1, 0, bgra(0, 0, 0, 200));
    source.Draw(0, 0, target);
    EXPECT_EQ(target.Pixel(0, 0), bgra(7, 7, 7, 200));
    EXPECT_EQ(target.Pixel(1, 0), bgra(128, 128, 128, 50));
}

TEST(TransparentModeAuto, KeyFollowsTheBottomLeftPixel) {
    TMemoryDIB source(2, 2);
    source.SetTransparentColor(toolkit::clWhite); // ignored under tmAuto
    source.SetTransparent(true);
    source.SetPixel(0, 1, bgra(5, 6, 7, 0)); // bottom-left: first pixel in memory
    source.SetPixel(1, 1, bgra(5, 6, 7, 0));
    source.SetPixel(0, 0, bgra(255, 255, 255, 0));
    source.SetPixel(1, 0, bgra(1, 2, 3, 0));
    EXPECT_EQ(source.EffectiveTransparentPixel(), bgra(5, 6, 7, 0));
    TMemoryDIB target(2, 2);
    dibtest::fillPixels(target, bgra(9, 9, 9, 9));
    source.Draw(0, 0, target);
    EXPECT_EQ(target.Pixel(0, 1), bgra(9, 9, 9, 9));
    EXPECT_EQ(target.Pixel(0, 0), bgra(255, 255, 255, 0)) << "the stored white is no key under tmAuto";
    EXPECT_EQ(target.Pixel(1, 0), bgra(1, 2, 3, 0));
}

TEST(AlphaVariants, AlphaOnlyCopyAndAlphaAsGrey) {
    TMemoryDIB source(1, 1);
    TMemoryDIB target(1, 1);
    source.SetPixel(0, 0, bgra(1, 2, 3, 77));
    target.SetPixel(0, 0, bgra(9, 8, 7, 6));
    source.DrawAlpha(0, 0, 0, 0, 1, 1, target);
    EXPECT_EQ(target.Pixel(0, 0), bgra(9, 8, 7, 77));
    source.DrawAlphaAsGrey(0, 0, 0, 0, 1, 1, target);
    EXPECT_EQ(target.Pixel(0, 0), bgra(77, 77, 77, 77));
}

TEST(DrawPlain, IgnoresEverySettingAndRestoresNothingItDidNotTouch) {
    TMemoryDIB source(2, 2);
    source.SetOpacity(0);
    source.SetAngle(45);
    source.SetScale(50);
    dibtest::fillPixels(source, bgra(1, 2, 3, 4));
    TMemoryDIB target(2, 2);
    dibtest::fillPixels(target, 0);
    source.DrawPlain(0, 0, target);
    EXPECT_EQ(target.Pixel(1, 1), bgra(1, 2, 3, 4));
    EXPECT_EQ(source.Opacity(), 0);
    EXPECT_EQ(source.Angle(), 45);
    EXPECT_EQ(source.BlendRoutine(), TBlendRoutine::ConstantOpacity);
}

TEST(LongRows, EveryPixelOfAVectorisedRowFollowsTheRule) {
    // 37 pixels: whole vectors and a remainder; each pixel differs so a lane mix-up shows.
    TMemoryDIB source(37, 1);
    TMemoryDIB target(37, 1);
    source.SetMasked(true);
    for (int x = 0; x < 37; ++x) {
        source.SetPixel(x, 0, bgra(7 * x, 255 - x, 3 * x, 6 * x));
        target.SetPixel(x, 0, bgra(x, 2 * x, 200, 100));
    }
    source.Draw(0, 0, target);
    for (std::uint32_t x = 0; x < 37; ++x) {
        const std::uint32_t a = 6 * x;
        const auto mix = [a](std::uint32_t s, std::uint32_t d) { return (a * s + (255 - a) * d + 255) >> 8; };
        EXPECT_EQ(target.Pixel(static_cast<int>(x), 0),
                  bgra(mix(7 * x, x), mix(255 - x, 2 * x), mix(3 * x, 200), std::max(a, 100u)))
            << "pixel " << x;
    }
}

} // namespace
