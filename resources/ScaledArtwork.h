// The editor's pictures for a zoomed window, drawn afresh by tmx1_artwork at build time for each zoom
// (never enlarged from the pictures at 100 %), and the geometry that places them.
//
// A layout coordinate v lies at the zoomed device coordinate ZoomedPixels(v, percent); a control with
// layout rectangle (L, T, L + W, T + H) covers the device pixels from ZoomedPixels(L) up to but not
// including ZoomedPixels(L + W), and likewise down. The chassis is as large as the zoomed window; every
// other picture w × h at 100 % is ZoomedPictureSide(w) × ZoomedPictureSide(h) and is drawn to line up
// with the chassis when its top-left corner is put on its control's device top-left (a dial's body
// centred in the dial's device rectangle, its pointer on a circle of ZoomedPixels(PointerRadius)).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace tmx1 {

// The zooms that have pictures of their own, in percent.
inline constexpr std::array<int, 2> kArtworkZoomPercents{150, 200};

// floor(layoutPixels * percent / 100 + 0.5), in integers, for any sign.
constexpr int ZoomedPixels(int layoutPixels, int percent) {
    const long long twice = 2LL * layoutPixels * percent + 100;
    const long long floored = twice >= 0 ? twice / 200 : -((-twice + 199) / 200);
    return static_cast<int>(floored);
}

// ceil(side * percent / 100): the side of a zoomed picture other than the chassis.
constexpr int ZoomedPictureSide(int side, int percent) {
    return static_cast<int>((static_cast<long long>(side) * percent + 99) / 100);
}

// The editor's panel in layout pixels, and the zoomed window it becomes.
inline constexpr int kPanelLayoutWidth = 570;
inline constexpr int kPanelLayoutHeight = 265;
constexpr int ZoomedWindowWidth(int percent) { return ZoomedPixels(kPanelLayoutWidth, percent); }
constexpr int ZoomedWindowHeight(int percent) { return ZoomedPixels(kPanelLayoutHeight, percent); }
static_assert(ZoomedWindowWidth(150) == 855 && ZoomedWindowHeight(150) == 398);
static_assert(ZoomedWindowWidth(200) == 1140 && ZoomedWindowHeight(200) == 530);

// One zoomed picture: the path the layout gives the picture at 100 % ("artwork/knob.png"), the zoom,
// and the PNG file's bytes.
struct ScaledArtworkFile {
    std::string_view file;
    int percent;
    std::span<const std::uint8_t> png;
};

// Every zoomed picture.
std::span<const ScaledArtworkFile> ScaledArtworkFiles();

// The PNG file of the picture the layout names `file` at a zoom of 150 or 200 percent; empty for any
// other picture or zoom.
std::span<const std::uint8_t> ScaledArtworkPng(std::string_view file, int percent);

} // namespace tmx1
