// The freshly opened panel against its committed picture, as the Linux build draws it (its text
// comes from FreeType).
#include "tests/editor/LoadedEditor.h"

#include "toolkit/PictureFile.h"

#include <cstdlib>

namespace editortest {
namespace {

TEST_F(LoadedEditor, ThePanelAfterOpeningMatchesItsPicture) {
    open();
    idle();
    const toolkit::TPictureData golden = toolkit::LoadPictureFile(TMX1_PANEL_PICTURE);
    ASSERT_EQ(golden.width, 570);
    ASSERT_EQ(golden.height, 265);
    // Text is drawn by the system's font rasteriser, which may differ in a few edge pixels.
    int differing = 0;
    int worst = 0;
    for (int y = 0; y < golden.height; ++y)
        for (int x = 0; x < golden.width; ++x) {
            const std::uint32_t want =
                golden.pixels[static_cast<std::size_t>(golden.height - 1 - y) * 570 + static_cast<std::size_t>(x)];
            const std::uint32_t got = window().ScreenPixel(x, y);
            int difference = 0;
            for (int shift : {0, 8, 16})
                difference = std::max(difference, std::abs(static_cast<int>((want >> shift) & 0xff) -
                                                            static_cast<int>((got >> shift) & 0xff)));
            worst = std::max(worst, difference);
            if (difference > 24)
                ++differing;
        }
    EXPECT_LE(differing, 200) << "pixels that differ clearly (worst difference " << worst
                              << "); if the artwork changed on purpose, regenerate the picture with "
                                 "build/tmx1-host snapshot tests/editor/panel.png";
}

} // namespace
} // namespace editortest
