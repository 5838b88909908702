// `tmx1-host snapshot`: the built plug-in's editor as a picture, with and without audio playing.
#include "tests/tools/HostProcess.h"
#include "tests/tools/TestSounds.h"

#include "toolkit/PictureFile.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <tuple>

namespace {

using namespace testing_support;

// 0x00RRGGBB at (x, y) from the top-left corner.
std::uint32_t pixelAt(const toolkit::TPictureData& picture, int x, int y) {
    return picture.pixels[static_cast<std::size_t>(picture.height - 1 - y) *
                              static_cast<std::size_t>(picture.width) +
                          static_cast<std::size_t>(x)] &
           0xffffff;
}

// Pixels that differ inside a rectangle.
int differences(const toolkit::TPictureData& a, const toolkit::TPictureData& b, int left, int top, int right,
                int bottom) {
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            count += pixelAt(a, x, y) != pixelAt(b, x, y) ? 1 : 0;
    return count;
}

class Snapshot : public ::testing::Test {
  protected:
    ScratchFolder folder;
};

TEST_F(Snapshot, ThePanelAloneAndWithAudioPlaying) {
    const auto quiet = folder / "quiet.png";
    HostRun run = runHost("snapshot " + quiet.string());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const toolkit::TPictureData panel = toolkit::LoadPictureFile(quiet.string());
    ASSERT_EQ(panel.width, 570);
    ASSERT_EQ(panel.height, 265);
    EXPECT_EQ(
        differences(panel, toolkit::LoadPictureFile(TESTS_SOURCE_DIR "/editor/panel.png"), 0, 0, 570, 265), 0)
        << "the same panel the editor tests expect";

    // A loud square wave, well above the threshold of -20 dB that --param 0=0.4 sets.
    Sound loud;
    loud.channels = 2;
    loud.sampleRate = 44100;
    loud.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    for (int i = 0; i < 44100; ++i)
        for (int c = 0; c < 2; ++c)
            loud.samples.push_back((i / 50) % 2 == 0 ? 0.7f : -0.7f);
    writeSound(folder / "loud.wav", loud);
    const auto playing = folder / "playing.png";
    run = runHost("snapshot --param 0=0.4 --audio " + (folder / "loud.wav").string() + " --at 0.5 " +
                  playing.string());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const toolkit::TPictureData meters = toolkit::LoadPictureFile(playing.string());
    EXPECT_GT(differences(panel, meters, 407, 100, 430, 220), 100) << "the input columns light";
    EXPECT_GT(differences(panel, meters, 457, 100, 480, 220), 20) << "the gain-reduction bars grow";
    EXPECT_GT(differences(panel, meters, 207, 66, 220, 79), 20) << "the over-compression lamp lights";
}

TEST_F(Snapshot, ThePanelZoomed) {
    for (const auto& [zoom, width, height] : {std::tuple{150, 855, 398}, std::tuple{200, 1140, 530}}) {
        SCOPED_TRACE(zoom);
        const auto out = folder / ("zoomed-" + std::to_string(zoom) + ".png");
        const HostRun run = runHost("snapshot --zoom " + std::to_string(zoom) + " " + out.string());
        ASSERT_EQ(run.exitCode, 0) << run.output;
        const toolkit::TPictureData panel = toolkit::LoadPictureFile(out.string());
        ASSERT_EQ(panel.width, width);
        ASSERT_EQ(panel.height, height);
        const toolkit::TPictureData golden = toolkit::LoadPictureFile(std::string(TESTS_SOURCE_DIR "/editor/panel-") +
                                                                      std::to_string(zoom) + ".png");
        EXPECT_EQ(differences(panel, golden, 0, 0, width, height), 0) << "the panel the editor tests expect";
    }
    for (const char* wrong : {"125", "0", "big", "-150"}) {
        const HostRun run = runHost(std::string("snapshot --zoom ") + wrong + " " + (folder / "x.png").string());
        EXPECT_EQ(run.exitCode, 1) << wrong << ": " << run.output;
        EXPECT_NE(run.output.find("--zoom takes 100, 150 or 200"), std::string::npos) << run.output;
        EXPECT_FALSE(std::filesystem::exists(folder / "x.png"));
    }
}

TEST_F(Snapshot, FailuresAreReportedAndLeaveNoPicture) {
    HostRun run = runHost("snapshot " + (folder / "no-such-folder" / "x.png").string());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("tmx1-host:"), std::string::npos) << run.output;

    run = runHost("snapshot --at 2 " + (folder / "x.png").string());
    EXPECT_EQ(run.exitCode, 2) << "--at without --audio is wrong usage";
    run =
        runHost("snapshot --audio " + (folder / "missing.wav").string() + " " + (folder / "x.png").string());
    EXPECT_EQ(run.exitCode, 1);
    run = runHost("snapshot --plugin " FIXTURE_DELAY " " + (folder / "x.png").string());
    EXPECT_EQ(run.exitCode, 1) << "a plug-in without an editor";
    EXPECT_NE(run.output.find("no editor"), std::string::npos) << run.output;
    EXPECT_FALSE(std::filesystem::exists(folder / "x.png"));
}

} // namespace
