// Small helpers for the image tests: pixel values by channel and images filled with one pixel.
#pragma once

#include "DIB/cDIB.h"

#include <cstdint>

namespace dibtest {

constexpr std::uint32_t bgra(std::uint32_t b, std::uint32_t g, std::uint32_t r, std::uint32_t a) {
    return b | g << 8 | r << 16 | a << 24;
}

inline void fillPixels(dib::TAbstractSuperDIB& image, std::uint32_t pixel) {
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            image.SetPixel(x, y, pixel);
}

// Draws a one-pixel source over a one-pixel target and returns the target pixel.
inline std::uint32_t blendOne(dib::TAbstractSuperDIB& source, std::uint32_t s, std::uint32_t d) {
    dib::TMemoryDIB target(1, 1);
    source.SetPixel(0, 0, s);
    target.SetPixel(0, 0, d);
    source.Draw(0, 0, target);
    return target.Pixel(0, 0);
}

} // namespace dibtest
