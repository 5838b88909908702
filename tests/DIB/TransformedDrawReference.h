// The whole of a turned or scaled draw as the reference for draws of which a target shows only a part.
// The whole result comes from the image's own Draw into a target that holds all of it (nothing is
// clipped there, so every row and column of the result is resampled); a clipped draw must then put
// into its target exactly the pixels of that whole result which fall inside the target's clip.
#pragma once

#include "DIB/cDIB.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

namespace dibtest {

// What a draw finds in its target where the result does not reach: a pixel that every blend changes.
constexpr std::uint32_t referenceBackground = 0x80A53C5Au;

// A turned or scaled draw of a w × h request at (x, y).
struct TransformedDraw {
    int x;
    int y;
    int w;
    int h;
};

// The size of the result a w × h request turns into under the image's settings.
inline dib::TDIBSize resultSize(const dib::TAbstractSuperDIB& image, int w, int h) {
    const dib::TDIBSize size = image.AutoSize()
                                   ? dib::RotatedSize(w, h, image.Angle(), image.ScaleX(), image.ScaleY())
                                   : dib::TDIBSize{w, h};
    return {std::max(size.Width, 1), std::max(size.Height, 1)};
}

// The whole result of a w × h request blended over the background, its top-left at (0, 0).
inline std::unique_ptr<dib::TMemoryDIB> wholeResult(dib::TAbstractSuperDIB& image, int w, int h) {
    const dib::TDIBSize size = resultSize(image, w, h);
    auto whole = std::make_unique<dib::TMemoryDIB>(size.Width, size.Height);
    std::fill_n(whole->Pixels(), static_cast<std::size_t>(size.Width) * size.Height, referenceBackground);
    image.Draw(0, 0, 0, 0, w, h, *whole);
    return whole;
}

// A target of the given size filled with the background, with the given clip rectangle.
inline std::unique_ptr<dib::TMemoryDIB> backgroundTarget(int width, int height, dib::TDIBClipRect clip) {
    auto target = std::make_unique<dib::TMemoryDIB>(width, height);
    std::fill_n(target->Pixels(), static_cast<std::size_t>(width) * height, referenceBackground);
    target->SetClipRect(clip);
    return target;
}

struct ClippedComparison {
    std::string firstDifference; // empty when every pixel agrees
    int shown = 0;               // pixels inside the clip where the result differs from the background
};

// Compares every pixel of a target that a draw has blended into with the whole result placed at
// (wholeX, wholeY) and clipped by the target's clip rectangle; the background everywhere else.
inline ClippedComparison compareWithWhole(const dib::TMemoryDIB& target, std::int64_t wholeX,
                                          std::int64_t wholeY, const dib::TMemoryDIB& whole) {
    const dib::TDIBClipRect clip = target.ClipRect();
    ClippedComparison comparison;
    for (int y = 0; y < target.Height(); ++y)
        for (int x = 0; x < target.Width(); ++x) {
            // In 64 bits: the tests place results far outside the target too.
            const std::int64_t col = x - wholeX;
            const std::int64_t row = y - wholeY;
            const bool inClip = x >= clip.Left && x <= clip.Right && y >= clip.Top && y <= clip.Bottom;
            const bool inResult = col >= 0 && col < whole.Width() && row >= 0 && row < whole.Height();
            const std::uint32_t want = inClip && inResult
                                           ? whole.Pixel(static_cast<int>(col), static_cast<int>(row))
                                           : referenceBackground;
            comparison.shown += want != referenceBackground;
            if (comparison.firstDifference.empty() && target.Pixel(x, y) != want)
                comparison.firstDifference = "pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                                             ") is " + testing::PrintToString(target.Pixel(x, y)) +
                                             " instead of " + testing::PrintToString(want);
        }
    return comparison;
}

// Draws the image at draw.x, draw.y onto a fresh background target of the given size and clip and
// compares it with the whole result placed there.
inline ClippedComparison drawAndCompareWithWhole(dib::TAbstractSuperDIB& image, const TransformedDraw& draw,
                                                 const dib::TMemoryDIB& whole, int targetWidth,
                                                 int targetHeight, dib::TDIBClipRect clip) {
    const auto target = backgroundTarget(targetWidth, targetHeight, clip);
    image.Draw(draw.x, draw.y, 0, 0, draw.w, draw.h, *target);
    return compareWithWhole(*target, draw.x, draw.y, whole);
}

} // namespace dibtest
