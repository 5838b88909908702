// The freshly opened panel against its committed picture, as the Linux build draws it (its text
// comes from FreeType).
#include "tests/editor/LoadedEditor.h"

#include "toolkit/PictureFile.h"

#include <cstdlib>
#include <string>
#include <utility>

namespace editortest {
namespace {

// How many pixels of the screen differ clearly from the picture, and the worst difference.
std::pair<int, int> differenceFrom(const toolkit::TPictureData& golden, const platform::headless::HeadlessWindow& shown) {
    int differing = 0;
    int worst = 0;
    for (int y = 0; y < golden.height; ++y)
        for (int x = 0; x < golden.width; ++x) {
            const std::uint32_t want = golden.pixels[static_cast<std::size_t>(golden.height - 1 - y) *
                                                         static_cast<std::size_t>(golden.width) +
                                                     static_cast<std::size_t>(x)];
            const std::uint32_t got = shown.ScreenPixel(x, y);
            int difference = 0;
            for (int shift : {0, 8, 16})
                difference = std::max(difference, std::abs(static_cast<int>((want >> shift) & 0xff) -
                                                            static_cast<int>((got >> shift) & 0xff)));
            worst = std::max(worst, difference);
            if (difference > 24)
                ++differing;
        }
    return {differing, worst};
}

struct Golden {
    int percent;
    const char* file;
    int width;
    int height;
};

class PanelPicture : public LoadedEditor, public ::testing::WithParamInterface<Golden> {};

TEST_P(PanelPicture, ThePanelAfterOpeningMatchesItsPicture) {
    const Golden& golden = GetParam();
    if (golden.percent != 100) {
        ASSERT_TRUE(host::requestEditorZoom(plugin->record(), golden.percent));
    }
    open();
    idle();
    const toolkit::TPictureData picture = toolkit::LoadPictureFile(golden.file);
    ASSERT_EQ(picture.width, golden.width);
    ASSERT_EQ(picture.height, golden.height);
    ASSERT_EQ(window().Width(), golden.width);
    ASSERT_EQ(window().Height(), golden.height);
    // Text is drawn by the system's font rasteriser, which may differ in a few edge pixels.
    const auto [differing, worst] = differenceFrom(picture, window());
    EXPECT_LE(differing, 200 * golden.percent * golden.percent / 10000)
        << "pixels that differ clearly (worst difference " << worst
        << "); if the artwork changed on purpose, regenerate the picture with build/tmx1-host snapshot --zoom "
        << golden.percent << " " << golden.file;
}

INSTANTIATE_TEST_SUITE_P(EachZoom, PanelPicture,
                         ::testing::Values(Golden{100, TMX1_PANEL_PICTURES "/panel.png", 570, 265},
                                           Golden{150, TMX1_PANEL_PICTURES "/panel-150.png", 855, 398},
                                           Golden{200, TMX1_PANEL_PICTURES "/panel-200.png", 1140, 530}),
                         [](const ::testing::TestParamInfo<Golden>& info) {
                             return "Zoom" + std::to_string(info.param.percent);
                         });

} // namespace
} // namespace editortest
