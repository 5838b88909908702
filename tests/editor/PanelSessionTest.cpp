// The panel session driven by a format of its own, as a GUI driven by its host's timer and scale is:
// what it reads at each tick, and a scale the host changes while the panel is open.
#include "editor/PanelSession.h"

#include "DIB/cDIBImage.h"
#include "editor/uEditor.h"
#include "platform/headless/Screen.h"
#include "dsp/APluginProgram.h"
#include "tests/support/UserSettingsSandbox.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using namespace tmx1;

class TimerDrivenHost : public PanelHost {
  public:
    void SendParameter(int, float) override {}
    void BeginEdit(int) override {}
    void EndEdit(int) override {}
    bool TakeParameterUpdate() override { return std::exchange(changed, false); }
    void ReadParameters(std::array<float, kNumParams>& out) override { out = values; }
    int CurrentProgram() override { return 3; }
    PanelMeters ReadMeters() override { return meters; }
    bool OverCompressionLatched() override { return latched; }
    void OverCompressionShown(bool shownLatched) override { shown.push_back(shownLatched); }
    bool RequestSize(int width, int height) override {
        sizeRequests.push_back({width, height});
        return true;
    }
    double HostScale() const override { return scale; }

    std::array<float, kNumParams> values = kFactoryPrograms[1].values;
    bool changed = false;
    PanelMeters meters{{0.5f, 0.5f, 0.25f, 0.25f}, {0.5f, 0.5f}};
    bool latched = true;
    double scale = 0.0;
    std::vector<bool> shown;
    std::vector<PanelSize> sizeRequests;
};

TEST(PanelSession, ATimerTickShowsWhatTheHostReportsAndAScaleChangeRemakesTheOpenWindow) {
    const testing_support::UserSettingsSandbox settings("panel-session");
    platform::headless::Screen screen;
    TimerDrivenHost host;
    PanelSession session(host);
    EXPECT_FALSE(session.HostScaleChanged()) << "nothing to remake while closed";
    ASSERT_TRUE(session.Open(platform::ParentWindow::Headless(screen)));
    ASSERT_TRUE(session.Open(platform::ParentWindow::Headless(screen)));
    EXPECT_EQ(screen.WindowCount(), 1) << "never a second window";
    EXPECT_EQ(session.Size(), (PanelSize{570, 265}));

    ASSERT_TRUE(session.Idle());
    TPluginEditorWindow& window = *session.Window();
    EXPECT_EQ(window.ABValues[0], host.values) << "the first tick shows every value, flag or not";
    EXPECT_EQ(window.ProgramIndex, 3);
    EXPECT_GT(window.LevelHeights[0], 0);
    EXPECT_LT(window.GainHeights[0], 0);
    EXPECT_EQ(window.OC_LED->Opacity(), 255);
    EXPECT_EQ(host.shown, std::vector<bool>{true});

    host.scale = 2.0;
    EXPECT_TRUE(session.HostScaleChanged());
    EXPECT_EQ(session.Size(), (PanelSize{1140, 530}));
    EXPECT_EQ(screen.LastWindow().Width(), 1140);
    EXPECT_TRUE(host.sizeRequests.empty()) << "the host set the scale: it is not asked for the size";
    EXPECT_FALSE(session.HostScaleChanged()) << "the same scale again remakes nothing";

    session.Close();
    EXPECT_EQ(screen.WindowCount(), 0);
    EXPECT_FALSE(session.Idle());
    EXPECT_EQ(session.ZoomFor(platform::ParentWindow::Headless(screen)), 200)
        << "the next open takes the scale";
}

} // namespace
