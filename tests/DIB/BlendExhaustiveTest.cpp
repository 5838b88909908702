// Every blend rule against every input it can meet: the routines process whole blocks of pixels in
// 16-bit lanes, and one wrong lane width, rounding or weight shows only for some byte values. Each
// test draws 256 × 256 images whose channels run through every pair (source byte, destination byte),
// once per opacity or alpha, and compares each pixel with the rule worked out here per channel. Every
// test runs twice: with the forms Draw picks for this processor (AVX2 where it has it) and with the
// SSE2 forms that every x86-64 has.
#include "DIB/cDIB.h"
#include "tests/DIB/DIBTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using dib::TMemoryDIB;
using dibtest::bgra;

constexpr int side = 256;

// (w × s + (255 − w) × d + 255) >> 8, the mix of one colour channel.
std::uint32_t mix(std::uint32_t s, std::uint32_t d, std::uint32_t w) {
    return (w * s + (255 - w) * d + 255) >> 8;
}

std::uint32_t channel(std::uint32_t pixel, int shift) { return pixel >> shift & 0xFF; }

std::uint32_t mixColours(std::uint32_t s, std::uint32_t d, std::uint32_t w) {
    return bgra(mix(channel(s, 0), channel(d, 0), w), mix(channel(s, 8), channel(d, 8), w),
                mix(channel(s, 16), channel(d, 16), w), 0);
}

std::uint32_t maxAlpha(std::uint32_t s, std::uint32_t d) { return std::max(s >> 24, d >> 24) << 24; }

// A 256 × 256 picture as pixels in memory order, made from two bytes u, v that run through all 65536
// pairs. Which row is which does not matter: every check compares a pixel with the source and target
// pixels at the same place.
template <class At> std::vector<std::uint32_t> picture(At at) {
    std::vector<std::uint32_t> pixels;
    for (std::uint32_t v = 0; v < side; ++v)
        for (std::uint32_t u = 0; u < side; ++u)
            pixels.push_back(at(u, v));
    return pixels;
}

void load(TMemoryDIB& image, const std::vector<std::uint32_t>& pixels) {
    std::copy(pixels.begin(), pixels.end(), image.Pixels());
}

// Per channel, the source and target bytes cover all 65536 pairs, each channel in another arrangement,
// so that a channel or lane mix-up cannot cancel out.
const std::vector<std::uint32_t> sourcePicture =
    picture([](std::uint32_t u, std::uint32_t v) { return bgra(u, v, 255 - u, u ^ v); });
const std::vector<std::uint32_t> targetPicture =
    picture([](std::uint32_t u, std::uint32_t v) { return bgra(v, u, v ^ 0x5A, v); });

// Draws source over target (as given) and reports the first pixel that differs from expected(source
// pixel, target pixel); an empty string when all agree.
template <class Rule>
std::string firstMismatch(TMemoryDIB& source, const std::vector<std::uint32_t>& target, Rule expected) {
    TMemoryDIB drawn(side, side);
    load(drawn, target);
    source.Draw(0, 0, drawn);
    for (std::size_t i = 0; i < target.size(); ++i) {
        const std::uint32_t s = source.Pixels()[i];
        const std::uint32_t want = expected(s, target[i]);
        if (drawn.Pixels()[i] != want)
            return testing::PrintToString(drawn.Pixels()[i]) + " instead of " + testing::PrintToString(want) +
                   " for source " + testing::PrintToString(s) + " over " + testing::PrintToString(target[i]);
    }
    return {};
}

class BlendForms : public testing::TestWithParam<bool> {
  protected:
    void SetUp() override { dib::SetAVX2BlendsAllowed(GetParam()); }
    void TearDown() override { dib::SetAVX2BlendsAllowed(true); }
};

std::string formName(const testing::TestParamInfo<bool>& info) { return info.param ? "Widest" : "SSE2"; }

using BlendEveryInput = BlendForms;
using BlendRows = BlendForms;

TEST(BlendForms, TurningAVX2OffReachesDrawAndOnFollowsTheProcessor) {
    // Without this the SSE2 runs below could be the AVX2 forms again.
    dib::SetAVX2BlendsAllowed(false);
    EXPECT_FALSE(dib::AVX2BlendsInUse());
    dib::SetAVX2BlendsAllowed(true);
#if defined(__x86_64__) || defined(__i386__)
    EXPECT_EQ(dib::AVX2BlendsInUse(), __builtin_cpu_supports("avx2") != 0);
#else
    EXPECT_FALSE(dib::AVX2BlendsInUse());
#endif
}

TEST_P(BlendEveryInput, ConstantOpacityNeverOverflowsALaneOrMisroundsForAnyOpacityAndBytes) {
    TMemoryDIB source(side, side);
    load(source, sourcePicture);
    for (std::uint32_t o = 0; o < 255; ++o) {
        source.SetOpacity(static_cast<std::uint8_t>(o));
        ASSERT_EQ(source.BlendRoutine(), dib::TBlendRoutine::ConstantOpacity);
        const auto rule = [o](std::uint32_t s, std::uint32_t d) {
            return mixColours(s, d, o) | maxAlpha(s, d);
        };
        ASSERT_EQ(firstMismatch(source, targetPicture, rule), "") << "opacity " << o;
    }
}

TEST_P(BlendEveryInput, AlphaBlendWeighsEveryByteByEverySourceAlpha) {
    TMemoryDIB source(side, side);
    source.SetMasked(true);
    for (std::uint32_t a = 0; a < 256; ++a) {
        // The source alpha is the weight here, so it is one value over the whole picture.
        std::vector<std::uint32_t> pixels = sourcePicture;
        for (std::uint32_t& pixel : pixels)
            pixel = (pixel & 0xFFFFFFu) | a << 24;
        load(source, pixels);
        const auto rule = [a](std::uint32_t s, std::uint32_t d) {
            return mixColours(s, d, a) | maxAlpha(s, d);
        };
        ASSERT_EQ(firstMismatch(source, targetPicture, rule), "") << "source alpha " << a;
    }
}

TEST_P(BlendEveryInput, AlphaBlendWithOpacityScalesEveryAlphaByEveryOpacity) {
    // All 256 × 255 pairs (alpha, opacity); per pair the colour channels run through every source byte
    // and every target byte (the full product of the two would be 4 × 10⁹ pixels; the mix itself meets
    // every pair of bytes for every weight in AlphaBlend above). Blue mixes 255 over 0, which gives the
    // weight itself.
    const std::vector<std::uint32_t> sourceAlphas =
        picture([](std::uint32_t u, std::uint32_t v) { return bgra(255, v, 255 - v, u); });
    const std::vector<std::uint32_t> target = picture(
        [](std::uint32_t u, std::uint32_t v) { return bgra(0, (v * 97 + 31) & 0xFF, u ^ v, 255 - v); });
    TMemoryDIB source(side, side);
    source.SetMasked(true);
    load(source, sourceAlphas);
    for (std::uint32_t o = 0; o < 255; ++o) {
        source.SetOpacity(static_cast<std::uint8_t>(o));
        ASSERT_EQ(source.BlendRoutine(), dib::TBlendRoutine::AlphaBlendOpacity);
        const auto rule = [o](std::uint32_t s, std::uint32_t d) {
            return mixColours(s, d, (s >> 24) * o >> 8) | maxAlpha(s, d);
        };
        ASSERT_EQ(firstMismatch(source, target, rule), "") << "opacity " << o;
    }
}

TEST_P(BlendEveryInput, ColourKeyWithOpacityBlendsEveryNonKeyPixelAndSkipsTheKey) {
    // Blue u, green v, red 255 − u: the key turns up once, where u = 0x30 and v = 0x20.
    constexpr std::uint32_t key = 0xCF2030;
    TMemoryDIB source(side, side);
    load(source, sourcePicture);
    source.SetTransparentMode(dib::tmFixed);
    source.SetTransparentColor(dib::PixelToColor(key));
    source.SetTransparent(true);
    for (std::uint32_t o = 0; o < 255; ++o) {
        source.SetOpacity(static_cast<std::uint8_t>(o));
        ASSERT_EQ(source.BlendRoutine(), dib::TBlendRoutine::ColourKeyOpacity);
        const auto rule = [o](std::uint32_t s, std::uint32_t d) {
            return (s & 0xFFFFFFu) == key ? d : mixColours(s, d, o) | (s & 0xFF000000u);
        };
        ASSERT_EQ(firstMismatch(source, targetPicture, rule), "") << "opacity " << o;
    }
}

// ---- rows of any length and position

struct RoutineCase {
    const char* name;
    int opacity;
    bool masked;
    bool transparent;
};

constexpr std::uint32_t rowKey = 0x123456;

std::uint32_t expectedPixel(const RoutineCase& c, std::uint32_t s, std::uint32_t d) {
    const std::uint32_t o = static_cast<std::uint32_t>(c.opacity);
    if (c.masked) {
        const std::uint32_t w = c.opacity == 255 ? s >> 24 : (s >> 24) * o >> 8;
        return mixColours(s, d, w) | maxAlpha(s, d);
    }
    if (c.transparent) {
        if ((s & 0xFFFFFFu) == rowKey)
            return d;
        return c.opacity == 255 ? s & 0xFFFFFFu : mixColours(s, d, o) | (s & 0xFF000000u);
    }
    return c.opacity == 255 ? s : mixColours(s, d, o) | maxAlpha(s, d);
}

constexpr RoutineCase routineCases[] = {
    {"copy", 255, false, false},       {"constant opacity", 77, false, false},
    {"alpha blend", 255, true, false}, {"alpha blend with opacity", 200, true, false},
    {"colour key", 255, false, true},  {"colour key with opacity", 130, false, true},
};

TEST_P(BlendRows, EveryRoutineFollowsTheRuleOnRowsOfEveryLengthAndStartingColumn) {
    // Lengths 1..70 hold no, one and several whole blocks of any size up to 32 pixels plus every
    // remainder; starting columns 0..3 move the rows off any alignment; every third pixel is the key.
    constexpr int width = 73;
    std::uint32_t seed = 12345;
    const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    TMemoryDIB source(width, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < width; ++x)
            source.SetPixel(x, y, x % 3 == 1 ? (next() & 0xFF000000u) | rowKey : next());
    for (const RoutineCase& c : routineCases) {
        source.SetOpacity(static_cast<std::uint8_t>(c.opacity));
        source.SetMasked(c.masked);
        source.SetTransparent(c.transparent);
        source.SetTransparentMode(dib::tmFixed);
        source.SetTransparentColor(dib::PixelToColor(rowKey));
        for (int srcX = 0; srcX < 4; ++srcX)
            for (int length = 1; length <= width - 3; ++length) {
                TMemoryDIB target(width, 2);
                for (int y = 0; y < 2; ++y)
                    for (int x = 0; x < width; ++x)
                        target.SetPixel(x, y, next());
                TMemoryDIB before(width, 2);
                before.Assign(target);
                const int x0 = 3 - srcX;
                source.Draw(x0, 0, srcX, 0, length, 2, target);
                for (int y = 0; y < 2; ++y)
                    for (int x = 0; x < width; ++x) {
                        const bool drawn = x >= x0 && x < x0 + length;
                        const std::uint32_t want =
                            drawn ? expectedPixel(c, source.Pixel(x - x0 + srcX, y), before.Pixel(x, y))
                                  : before.Pixel(x, y);
                        ASSERT_EQ(target.Pixel(x, y), want)
                            << c.name << ", length " << length << ", from column " << srcX << ", pixel (" << x
                            << ", " << y << ")";
                    }
            }
    }
}

TEST_P(BlendRows, AnImageDrawnOntoItselfOneToSevenPixelsRightBlendsPixelAfterPixel) {
    // The row overlaps itself: each pixel's source is a pixel the same draw has already blended, as
    // when the rule is applied pixel by pixel from the left.
    for (const RoutineCase& c : routineCases)
        for (int shift = 1; shift < 8; ++shift) {
            if (c.opacity == 255 && !c.masked && !c.transparent)
                continue; // the copy moves the row as a whole
            constexpr int width = 40;
            TMemoryDIB image(width, 1);
            std::uint32_t seed = 99;
            for (int x = 0; x < width; ++x) {
                seed = seed * 1664525u + 1013904223u;
                image.SetPixel(x, 0, x % 5 == 2 ? (seed & 0xFF000000u) | rowKey : seed);
            }
            std::vector<std::uint32_t> want(width);
            for (int x = 0; x < width; ++x)
                want[static_cast<std::size_t>(x)] = image.Pixel(x, 0);
            for (int x = shift; x < width; ++x)
                want[static_cast<std::size_t>(x)] = expectedPixel(
                    c, want[static_cast<std::size_t>(x - shift)], want[static_cast<std::size_t>(x)]);
            image.SetOpacity(static_cast<std::uint8_t>(c.opacity));
            image.SetMasked(c.masked);
            image.SetTransparent(c.transparent);
            image.SetTransparentMode(dib::tmFixed);
            image.SetTransparentColor(dib::PixelToColor(rowKey));
            image.Draw(shift, 0, image);
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(image.Pixel(x, 0), want[static_cast<std::size_t>(x)])
                    << c.name << ", shift " << shift << ", pixel " << x;
        }
}

INSTANTIATE_TEST_SUITE_P(Forms, BlendEveryInput, testing::Bool(), formName);
INSTANTIATE_TEST_SUITE_P(Forms, BlendRows, testing::Bool(), formName);

} // namespace
