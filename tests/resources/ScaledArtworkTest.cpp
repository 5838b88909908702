// The editor's pictures for zoomed windows against the committed pictures at 100 %: the generator
// still makes the committed files byte for byte at scale 1; every zoomed picture is embedded at the
// size the editor's geometry gives it, opaque and keyed where its picture at 100 % is, with hard edges
// against its key; and at 200 % each picture, and each control's place on the chassis, averages back
// to the picture at 100 % over 2 × 2 pixels at no offset better than where it is.
#include "resources/ScaledArtwork.h"

#include "editor/PanelControls.h"
#include "toolkit/PictureFile.h"
#include "tools/artwork/PanelLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path resources = TMX1_RESOURCES_DIR;

std::vector<std::uint8_t> fileBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The committed pictures at 100 %, by file name ("knob.png").
std::vector<std::string> committedPictures() {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(resources / "artwork"))
        if (entry.path().extension() == ".png")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const artwork::PanelLayout& layout() {
    static const artwork::PanelLayout parsed([] {
        const std::vector<std::uint8_t> text = fileBytes(resources / "PluginEditorWindow.txt");
        return std::string(text.begin(), text.end());
    }());
    return parsed;
}

// A folder of its own for one run of the generator, removed afterwards.
class ScratchFolder {
  public:
    ScratchFolder() {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = fs::temp_directory_path() / ("tmx1-artwork-test-" + std::to_string(stamp));
        fs::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

// The generator's exit status as std::system reports it (0 for success).
int runGenerator(const fs::path& out, const std::string& scaleArguments) {
    const std::string command = "\"" TMX1_ARTWORK_TOOL "\" \"" +
                                (resources / "PluginEditorWindow.txt").string() + "\" \"" + out.string() +
                                "\" " + scaleArguments + " 2>/dev/null";
    return std::system(command.c_str());
}

// A decoded picture with its rows top first, pixels 0xAARRGGBB.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const {
        return pixels[static_cast<std::size_t>((height - 1 - y) * width + x)];
    }
};

Picture picture(const toolkit::TPictureData& data) { return {data.width, data.height, data.pixels}; }
Picture committed(const std::string& name) {
    return picture(toolkit::LoadPictureFile((resources / "artwork" / name).string()));
}
Picture zoomed(const std::string& name, int percent) {
    const std::span<const std::uint8_t> png = tmx1::ScaledArtworkPng("artwork/" + name, percent);
    if (png.empty())
        throw std::runtime_error("no " + name + " at " + std::to_string(percent) + " %");
    return picture(toolkit::DecodePng(png));
}

int channel(std::uint32_t pixel, int c) { return static_cast<int>(pixel >> (16 - 8 * c) & 0xff); }

// The image list's key colour of a picture, as 0xRRGGBB; none for pictures drawn without one.
std::optional<std::uint32_t> keyOf(const std::string& name) {
    artwork::Rgb key;
    try {
        key = layout().ImageKey(name);
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
    auto byte = [](double v) { return static_cast<std::uint32_t>(std::lround(v * 255)); };
    return byte(key.r) << 16 | byte(key.g) << 8 | byte(key.b);
}

// ---- the generator at scale 1

TEST(ArtworkAtScaleOne, TheGeneratorRewritesTheCommittedPicturesByteForByte) {
    for (const std::string& arguments : {std::string(), std::string("--scale 1")}) {
        SCOPED_TRACE(arguments);
        ScratchFolder out;
        ASSERT_EQ(runGenerator(out.path(), arguments), 0);
        std::vector<std::string> written;
        for (const fs::directory_entry& entry : fs::directory_iterator(out.path()))
            written.push_back(entry.path().filename().string());
        std::sort(written.begin(), written.end());
        EXPECT_EQ(written, committedPictures());
        for (const std::string& name : committedPictures())
            EXPECT_TRUE(fileBytes(out.path() / name) == fileBytes(resources / "artwork" / name)) << name;
    }
}

TEST(ArtworkCommandLine, AScaleWithoutItsOwnDrawingIsRefusedAndWritesNothing) {
    for (const char* arguments : {"--scale 3", "--scale 1.25", "--scale", "--zoom 2"}) {
        ScratchFolder out;
        EXPECT_NE(runGenerator(out.path(), arguments), 0) << arguments;
        EXPECT_TRUE(fs::is_empty(out.path())) << arguments;
    }
}

TEST(ArtworkCommandLine, TheEmbeddedPicturesAreWhatTheGeneratorDrawsNow) {
    for (const int percent : tmx1::kArtworkZoomPercents) {
        ScratchFolder out;
        ASSERT_EQ(runGenerator(out.path(), percent == 150 ? "--scale 1.5" : "--scale 2"), 0);
        for (const std::string& name : committedPictures()) {
            const std::span<const std::uint8_t> embedded = tmx1::ScaledArtworkPng("artwork/" + name, percent);
            EXPECT_TRUE(fileBytes(out.path() / name) ==
                        std::vector<std::uint8_t>(embedded.begin(), embedded.end()))
                << name << " at " << percent << " %";
        }
    }
}

// ---- the zoomed geometry

TEST(ZoomedGeometry, PixelsRoundHalfUpForAnySignAndPicturesRoundUp) {
    for (const int percent : tmx1::kArtworkZoomPercents)
        for (int v = -1000; v <= 1000; ++v) {
            ASSERT_EQ(tmx1::ZoomedPixels(v, percent), static_cast<int>(std::floor(v * percent / 100.0 + 0.5)))
                << v << " at " << percent << " %";
            if (v >= 0) {
                ASSERT_EQ(tmx1::ZoomedPictureSide(v, percent),
                          static_cast<int>(std::ceil(v * percent / 100.0)))
                    << v << " at " << percent << " %";
            }
        }
}

TEST(ZoomedGeometry, ThePanelSizeIsTheLayoutsOwn) {
    EXPECT_EQ(layout().Width(), tmx1::kPanelLayoutWidth);
    EXPECT_EQ(layout().Height(), tmx1::kPanelLayoutHeight);
}

// ---- the embedded pictures

TEST(ZoomedArtwork, EveryCommittedPictureIsEmbeddedAtEachZoomAtItsContractedSize) {
    const std::vector<std::string> names = committedPictures();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(tmx1::ScaledArtworkFiles().size(), names.size() * tmx1::kArtworkZoomPercents.size());
    for (const int percent : tmx1::kArtworkZoomPercents)
        for (const std::string& name : names) {
            SCOPED_TRACE(name + " at " + std::to_string(percent) + " %");
            const Picture full = committed(name), zoom = zoomed(name, percent);
            if (name == "chassis.png") {
                EXPECT_EQ(zoom.width, tmx1::ZoomedWindowWidth(percent));
                EXPECT_EQ(zoom.height, tmx1::ZoomedWindowHeight(percent));
            } else {
                EXPECT_EQ(zoom.width, tmx1::ZoomedPictureSide(full.width, percent));
                EXPECT_EQ(zoom.height, tmx1::ZoomedPictureSide(full.height, percent));
            }
        }
}

TEST(ZoomedArtwork, NoPictureForAnotherZoomOrAnotherName) {
    EXPECT_FALSE(tmx1::ScaledArtworkPng("artwork/knob.png", 150).empty());
    EXPECT_TRUE(tmx1::ScaledArtworkPng("artwork/knob.png", 100).empty());
    EXPECT_TRUE(tmx1::ScaledArtworkPng("artwork/knob.png", 175).empty());
    EXPECT_TRUE(tmx1::ScaledArtworkPng("knob.png", 150).empty());
    EXPECT_TRUE(tmx1::ScaledArtworkPng("artwork/knob", 200).empty());
    EXPECT_TRUE(tmx1::ScaledArtworkPng("artwork/missing.png", 200).empty());
}

// Each zoomed pixel is judged by the pixel at 100 % its middle falls in: where that pixel and all its
// neighbours are the key, so is the zoomed pixel exactly; where none of them is, the zoomed pixel is
// not the key either. A picture whose edges at 100 % go straight from the key to its drawing (no pixel
// within three steps of the key) has none at its zoom either.
TEST(ZoomedArtwork, OpaqueAndKeyedWhereThePictureAtFullSizeIsWithHardEdges) {
    constexpr int nearKey = 3;
    for (const int percent : tmx1::kArtworkZoomPercents)
        for (const std::string& name : committedPictures()) {
            SCOPED_TRACE(name + " at " + std::to_string(percent) + " %");
            const Picture full = committed(name), zoom = zoomed(name, percent);
            for (std::uint32_t pixel : zoom.pixels)
                ASSERT_EQ(pixel >> 24, 0xffu);
            const std::optional<std::uint32_t> key = keyOf(name);
            if (!key)
                continue;
            auto isKey = [&](std::uint32_t pixel) { return (pixel & 0xffffffu) == *key; };
            auto isNearKey = [&](std::uint32_t pixel) {
                int far = 0;
                for (int c = 0; c < 3; ++c)
                    far = std::max(far, std::abs(channel(pixel, c) - channel(*key, c)));
                return far > 0 && far <= nearKey;
            };
            const bool hardAtFullSize = std::none_of(full.pixels.begin(), full.pixels.end(), isNearKey);
            int keyPixels = 0;
            for (int y = 0; y < zoom.height; ++y)
                for (int x = 0; x < zoom.width; ++x) {
                    const int fx = (x * 100 + 50) / percent, fy = (y * 100 + 50) / percent;
                    if (fx >= full.width || fy >= full.height)
                        continue; // the rounding up of the picture's size, beyond the drawing
                    // Beyond the picture's edge counts as the key: nothing is drawn there.
                    int keyed = 0, around = 0;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx) {
                            const int nx = fx + dx, ny = fy + dy;
                            ++around;
                            keyed += nx < 0 || ny < 0 || nx >= full.width || ny >= full.height ||
                                             isKey(full.at(nx, ny))
                                         ? 1
                                         : 0;
                        }
                    const std::uint32_t pixel = zoom.at(x, y);
                    keyPixels += isKey(pixel) ? 1 : 0;
                    if (keyed == around) {
                        ASSERT_TRUE(isKey(pixel)) << "(" << x << ", " << y << ")";
                    }
                    if (keyed == 0) {
                        ASSERT_FALSE(isKey(pixel)) << "(" << x << ", " << y << ")";
                    }
                    if (hardAtFullSize) {
                        ASSERT_FALSE(isNearKey(pixel)) << "(" << x << ", " << y << ")";
                    }
                }
            EXPECT_GT(keyPixels, 0);
        }
}

// ---- placement, seen at 200 %

// The mean difference per channel between the picture at 100 %, shifted by (dx, dy), and the zoomed
// picture averaged over 2 × 2 pixels (from the zoomed point (zx, zy)), over a rectangle of the picture at
// 100 %.
double averagedDifference(const Picture& full, const Picture& zoom, artwork::Box area, int dx, int dy,
                          int zx = 0, int zy = 0) {
    double sum = 0;
    int count = 0;
    for (int y = area.y; y < area.bottom(); ++y)
        for (int x = area.x; x < area.right(); ++x) {
            const int sx = x + dx, sy = y + dy, bx = 2 * x + zx, by = 2 * y + zy;
            if (sx < 0 || sy < 0 || sx >= full.width || sy >= full.height || bx < 0 || by < 0 ||
                bx + 1 >= zoom.width || by + 1 >= zoom.height)
                continue;
            for (int c = 0; c < 3; ++c) {
                const int block = channel(zoom.at(bx, by), c) + channel(zoom.at(bx + 1, by), c) +
                                  channel(zoom.at(bx, by + 1), c) + channel(zoom.at(bx + 1, by + 1), c);
                sum += std::abs(block / 4.0 - channel(full.at(sx, sy), c));
                ++count;
            }
        }
    return sum / count;
}

// Close at no offset, and closer than one pixel off in any direction.
void expectInPlace(const Picture& full, const Picture& zoom, artwork::Box area, double closeEnough,
                   int zx = 0, int zy = 0) {
    const double here = averagedDifference(full, zoom, area, 0, 0, zx, zy);
    EXPECT_LT(here, closeEnough);
    constexpr std::pair<int, int> neighbours[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (const auto& [dx, dy] : neighbours)
        EXPECT_LT(here, averagedDifference(full, zoom, area, dx, dy, zx, zy))
            << "one pixel off by (" << dx << ", " << dy << ")";
}

// How far the middle a dial turns about moves at 200 %, in device pixels: from twice the middle at
// 100 % (start + length / 2) to the middle of its device pixels. Odd lengths move it by one.
int dialCentreShift(int start, int length) {
    const int first = tmx1::ZoomedPixels(start, 200), end = tmx1::ZoomedPixels(start + length, 200);
    return first + (end - first) / 2 - 2 * (start + length / 2);
}

TEST(ZoomedArtwork, EachPictureAtTwiceTheSizeAveragesToItselfAtFullSize) {
    for (const std::string& name : committedPictures()) {
        SCOPED_TRACE(name);
        const Picture full = committed(name), zoom = zoomed(name, 200);
        ASSERT_EQ(zoom.width, 2 * full.width);
        ASSERT_EQ(zoom.height, 2 * full.height);
        if (std::all_of(full.pixels.begin(), full.pixels.end(),
                        [&](std::uint32_t p) { return p == full.pixels[0]; })) {
            // A picture of nothing but its key (the knob's, whose body is on the plate) stays so.
            EXPECT_TRUE(std::all_of(zoom.pixels.begin(), zoom.pixels.end(),
                                    [&](std::uint32_t p) { return p == full.pixels[0]; }));
            continue;
        }
        expectInPlace(full, zoom, {0, 0, full.width, full.height}, 10);
    }
}

TEST(ZoomedArtwork, EachControlWithAPictureOfItsOwnSitsOnTheChassisAtTwiceTheSizeWhereItDoesAtFullSize) {
    const Picture full = committed("chassis.png"), zoom = zoomed("chassis.png", 200);
    expectInPlace(full, zoom, {0, 0, full.width, full.height}, 6);
    std::vector<std::string> controls;
    for (const tmx1::ParameterControl& control : tmx1::kParameterControls) {
        if (control.control != nullptr)
            controls.emplace_back(control.control);
        for (const char* button : control.buttons)
            controls.emplace_back(button);
    }
    for (const tmx1::MeterGroup& group : tmx1::kMeterGroups)
        for (const char* bar : group.bars)
            controls.emplace_back(bar);
    for (const char* other : {"ABSwitch", "CopySwitch", "RecallSwitch", "OC_LED"})
        controls.emplace_back(other);
    for (const std::string& control : controls) {
        SCOPED_TRACE(control);
        artwork::Box place = layout().Place(control);
        if (control.starts_with("Meter")) // a gain-reduction bar starts 0 high
            place.h = tmx1::kMeterColumnPixels;
        const bool dial = layout().Component(control).className == "TDIBDial";
        // A dial's body is centred where the dial turns its pointer.
        expectInPlace(full, zoom, place, 16, dial ? dialCentreShift(place.x, place.w) : 0,
                      dial ? dialCentreShift(place.y, place.h) : 0);
    }
}

// At each zoom, a control's own picture put at its device top-left (as the editor puts it) matches the
// chassis beneath it better than one device pixel off in any direction: its drawn pixels differ there
// from the plate only where it is lit and the plate is not.
TEST(ZoomedArtwork, EachControlsPictureLinesUpWithTheChassisWhereTheEditorPutsIt) {
    struct Shown {
        const char* control;
        std::string picture;
    };
    std::vector<Shown> shown;
    for (const char* lamp : {"PDRswitch", "AutoGainSwitch", "BrickWallSwitch", "TruePeakSwitch",
                             "StereoLinkSwitch", "CopySwitch", "RecallSwitch"})
        shown.push_back({lamp, "switch-red.png"});
    shown.push_back({"ABSwitch", "switch-green.png"});
    shown.push_back({"OC_LED", "led.png"});
    for (const char* button : tmx1::kReleaseTypeButtons)
        shown.push_back({button, "selector.png"});
    for (const tmx1::MeterGroup& group : tmx1::kMeterGroups)
        for (const char* bar : group.bars)
            shown.push_back(
                {bar, group.kind == tmx1::MeterKind::level ? "meter-cover.png" : "meter-gain.png"});
    for (const int percent : tmx1::kArtworkZoomPercents) {
        const Picture chassis = zoomed("chassis.png", percent);
        for (const Shown& s : shown) {
            SCOPED_TRACE(std::string(s.control) + " at " + std::to_string(percent) + " %");
            const Picture own = zoomed(s.picture, percent);
            const std::optional<std::uint32_t> key = keyOf(s.picture);
            const artwork::Box place = layout().Place(s.control);
            const int left = tmx1::ZoomedPixels(place.x, percent), top = tmx1::ZoomedPixels(place.y, percent);
            auto difference = [&](int dx, int dy) {
                double sum = 0;
                for (int y = 0; y < own.height; ++y)
                    for (int x = 0; x < own.width; ++x)
                        if (!key || (own.at(x, y) & 0xffffffu) != *key)
                            for (int c = 0; c < 3; ++c)
                                sum += std::abs(channel(own.at(x, y), c) -
                                                channel(chassis.at(left + dx + x, top + dy + y), c));
                return sum;
            };
            const double here = difference(0, 0);
            for (const auto& [dx, dy] :
                 {std::pair{1, 0}, std::pair{-1, 0}, std::pair{0, 1}, std::pair{0, -1}})
                EXPECT_LT(here, difference(dx, dy)) << "one pixel off by (" << dx << ", " << dy << ")";
        }
    }
}

// A dial turns its pointer about the middle of its device pixels (left + width / 2 in device pixels),
// which for an odd layout width is not its middle at 100 % times the zoom. The knob's bright cap, across
// the row through that point, is as wide on either side of it.
TEST(ZoomedArtwork, EachKnobIsCentredWhereItsDialTurnsThePointer) {
    for (const int percent : tmx1::kArtworkZoomPercents) {
        const Picture chassis = zoomed("chassis.png", percent);
        for (const tmx1::ParameterControl& control : tmx1::kParameterControls) {
            if (control.kind != tmx1::ControlKind::knob)
                continue;
            SCOPED_TRACE(std::string(control.control) + " at " + std::to_string(percent) + " %");
            const artwork::Box place = layout().Place(control.control);
            const int left = tmx1::ZoomedPixels(place.x, percent), top = tmx1::ZoomedPixels(place.y, percent);
            const int pivotX = left + (tmx1::ZoomedPixels(place.right(), percent) - left) / 2;
            const int pivotY = top + (tmx1::ZoomedPixels(place.bottom(), percent) - top) / 2;
            auto cap = [&](int x) { return channel(chassis.at(x, pivotY), 1) > 100; };
            ASSERT_TRUE(cap(pivotX));
            int first = pivotX, last = pivotX;
            while (cap(first - 1))
                --first;
            while (cap(last + 1))
                ++last;
            // The cap covers the pixels from first to last; its middle is the corner of pixel pivotX.
            EXPECT_LE(std::abs(first + last + 1 - 2 * pivotX), 1) << "cap from " << first << " to " << last;
        }
    }
}

// A level bar h layout pixels high covers ZoomedPixels(top + h) - ZoomedPixels(top) rows of the zoomed
// column. Whatever the (even) height, the cover cuts the zoomed column where it cuts the column at
// 100 %: as many lit segments show below it, the first row below it lit or not alike.
TEST(ZoomedArtwork, ALevelBarCutsTheZoomedColumnWhereItCutsTheColumnAtFullSize) {
    struct Below {
        int segments = 0;
        bool firstLit = false;
        bool operator==(const Below&) const = default;
    };
    auto below = [](const Picture& chassis, int x, int from, int to) {
        auto lit = [&](int y) { return channel(chassis.at(x, y), 1) > 96; }; // green, yellow or red
        Below seen{0, from < to && lit(from)};
        for (int y = from; y < to; ++y)
            seen.segments += lit(y) && (y == from || !lit(y - 1)) ? 1 : 0;
        return seen;
    };
    const Picture full = committed("chassis.png");
    const artwork::Box column = layout().Place(tmx1::kMeterGroups.front().bars[0]);
    const int fullMiddle = column.x + column.w / 2, fullBottom = column.y + tmx1::kMeterColumnPixels;
    ASSERT_EQ(below(full, fullMiddle, column.y, fullBottom).segments, tmx1::kMeterColumnPixels / 4);
    for (const int percent : tmx1::kArtworkZoomPercents) {
        const Picture zoom = zoomed("chassis.png", percent);
        const int top = tmx1::ZoomedPixels(column.y, percent),
                  bottom = tmx1::ZoomedPixels(fullBottom, percent);
        ASSERT_EQ(bottom - top, tmx1::ZoomedPixels(tmx1::kMeterColumnPixels, percent));
        const int left = tmx1::ZoomedPixels(column.x, percent),
                  right = tmx1::ZoomedPixels(column.right(), percent);
        for (int h = 0; h <= tmx1::kMeterColumnPixels; h += 2) {
            const Below atFull = below(full, fullMiddle, column.y + h, fullBottom);
            const Below atZoom =
                below(zoom, (left + right) / 2, tmx1::ZoomedPixels(column.y + h, percent), bottom);
            EXPECT_TRUE(atZoom == atFull)
                << "a bar " << h << " high at " << percent << " %: " << atZoom.segments
                << " segments below it, not " << atFull.segments;
        }
    }
}

} // namespace
