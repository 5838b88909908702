// The editor's window as a window system shows it, read back as the user sees it: against a committed
// picture of the panel, and the area a right click drew (the zoom menu) with its entries.
#pragma once

#include "platform/headless/Screen.h"
#include "toolkit/PictureFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

namespace testing_support {

// Pixels 0x00RRGGBB, rows top-down.
struct Shown {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

// What a window of the headless screen shows.
inline Shown shownOnScreen(const platform::headless::HeadlessWindow& window) {
    Shown result{window.Width(), window.Height(), {}};
    for (int y = 0; y < result.height; ++y)
        for (int x = 0; x < result.width; ++x)
            result.pixels.push_back(window.ScreenPixel(x, y));
    return result;
}

// Pixels left of column `right` that differ clearly (by more than 24 in a channel) from the picture;
// the font rasteriser may draw a few edge pixels of text otherwise. Every pixel counts when the sizes
// differ.
inline int clearDifferences(const Shown& shown, const toolkit::TPictureData& picture, int right) {
    if (picture.width != shown.width || picture.height != shown.height)
        return picture.width * picture.height;
    int count = 0;
    for (int y = 0; y < shown.height; ++y)
        for (int x = 0; x < std::min(right, shown.width); ++x) {
            const std::uint32_t want =
                picture.pixels[static_cast<std::size_t>(picture.height - 1 - y) * static_cast<std::size_t>(picture.width) +
                               static_cast<std::size_t>(x)];
            const std::uint32_t got = shown.at(x, y);
            int difference = 0;
            for (int shift : {0, 8, 16})
                difference = std::max(difference, std::abs(static_cast<int>((want >> shift) & 0xff) -
                                                            static_cast<int>((got >> shift) & 0xff)));
            count += difference > 24 ? 1 : 0;
        }
    return count;
}

// How many clearly differing pixels the headless picture test allows at a zoom.
inline int pictureTolerance(int percent) { return 200 * percent * percent / 10000; }

struct ShownArea {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// The bounding box of the pixels that differ between two pictures of one window; empty when none do.
inline ShownArea changedArea(const Shown& before, const Shown& after) {
    ShownArea box{after.width, after.height, 0, 0};
    for (int y = 0; y < after.height; ++y)
        for (int x = 0; x < after.width; ++x)
            if (before.at(x, y) != after.at(x, y))
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                       std::max(box.bottom, y + 1)};
    return box.right > 0 ? box : ShownArea{};
}

// The centre of entry `row` of a menu that shows `rows` entries of equal height and nothing else: the
// panel's menu shows four (the three zoom steps and Save Preset) while the user has no presets.
inline std::pair<int, int> menuEntryCentre(const ShownArea& menu, int row, int rows = 4) {
    const int rowHeight = menu.height() / rows;
    return {(menu.left + menu.right) / 2, menu.top + row * rowHeight + rowHeight / 2};
}

} // namespace testing_support
