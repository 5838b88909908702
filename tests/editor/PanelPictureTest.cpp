// The freshly opened panel against its committed picture, as the Linux build draws it (its text
// comes from FreeType).
#include "tests/editor/LoadedEditor.h"

#include "tests/support/ShownPanel.h"
#include "toolkit/PictureFile.h"

#include <string>

namespace editortest {
namespace {

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
    const int differing =
        testing_support::clearDifferences(testing_support::shownOnScreen(window()), picture, golden.width);
    EXPECT_LE(differing, testing_support::pictureTolerance(golden.percent))
        << "pixels that differ clearly; if the artwork changed on purpose, regenerate the picture with build/tmx1-host snapshot --zoom "
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
