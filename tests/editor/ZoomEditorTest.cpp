// The panel at 150 % and 200 %: where the zoom comes from, the menu that changes it, the host's window
// following it, and controls that answer a zoomed mouse exactly as they answer at 100 %.
#include "tests/editor/EditorFixture.h"

#include "DIB/cDIBPanel.h"
#include "editor/PanelMenu.h"
#include "platform/UserSettings.h"
#include "plugin/VendorRequests.h"
#include "tests/support/UserSettingsSandbox.h"

#include <optional>
#include <string>

namespace editortest {
namespace {

class ZoomedEditor : public OpenEditor {
  protected:
    void SetUp() override {
        // The user running the tests may have chosen a zoom of their own: it must not count here, and
        // what the tests choose must not stay.
        userSettings.emplace(::testing::UnitTest::GetInstance()->current_test_info()->name());
        OpenEditor::SetUp();
    }
    void TearDown() override {
        OpenEditor::TearDown();
        userSettings.reset();
    }
    void forgetUserSettings() {
        userSettings.reset();
        userSettings.emplace(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }

    std::pair<int, int> reportedSize() {
        vst::ERect* rect = nullptr;
        EXPECT_EQ(dispatch(vst::effEditGetRect, 0, 0, &rect), 1);
        return {rect->right - rect->left, rect->bottom - rect->top};
    }
    std::pair<int, int> windowSize() const { return {screenWindow().Width(), screenWindow().Height()}; }
    void announceHostScale(float scale) {
        EXPECT_EQ(plugin->dispatcher(vst::effVendorSpecific, tmx1::kHostScaleIndex, tmx1::kHostScaleValue, nullptr,
                                     scale),
                  1);
    }
    void forceZoom(int percent) { ASSERT_TRUE(host::requestEditorZoom(*plugin->getAeffect(), percent)); }
    static std::optional<long long> storedZoom() {
        return platform::ReadUserNumber(tmx1::kSettingsKeyPath, tmx1::kZoomValueName);
    }

    // Right-clicks at (x, y) of the layout and chooses the menu's entry for percent.
    void chooseZoomInMenu(int x, int y, int percent) {
        const toolkit::TZoom zoom = window().Zoom();
        screenWindow().Press(zoom.Device(x), zoom.Device(y), platform::MouseButton::Right);
        screenWindow().Release(zoom.Device(x), zoom.Device(y), platform::MouseButton::Right);
        tmx1::TPanelMenu& menu = window().PanelMenu();
        ASSERT_TRUE(menu.IsOpen());
        for (int i = 0; i < menu.EntryCount(); ++i)
            if (menu.EntryCaption(i) == "Zoom " + std::to_string(percent) + " %") {
                const platform::Rect entry = menu.EntryRect(i);
                const int ex = zoom.Device(entry.Left + entry.Width() / 2);
                const int ey = zoom.Device(entry.Top + entry.Height() / 2);
                screenWindow().Move(ex, ey);
                screenWindow().Press(ex, ey);
                screenWindow().Release(ex, ey);
                return;
            }
        FAIL() << "no menu entry for " << percent << " %";
    }

    std::optional<testing_support::UserSettingsSandbox> userSettings;
};

TEST_F(ZoomedEditor, TheUserComesBeforeTheHostWhichComesBeforeTheDesktop) {
    struct Case {
        const char* what;
        int user;          // 0: nothing stored
        float host;        // 0: nothing announced
        double desktop;    // 0: nothing known
        int expected;
    };
    const Case cases[] = {
        {"nothing said", 0, 0.0f, 0.0, 100},
        {"the desktop alone", 0, 0.0f, 2.0, 200},
        {"a desktop between steps", 0, 0.0f, 1.25, 150},
        {"the host before the desktop", 0, 1.5f, 2.0, 150},
        {"a host between steps", 0, 1.75f, 1.0, 200},
        {"the user before the host and the desktop", 100, 2.0f, 2.0, 100},
        {"the user's 150", 150, 1.0f, 1.0, 150},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        forgetUserSettings();
        if (c.user != 0) {
            ASSERT_TRUE(platform::WriteUserNumber(tmx1::kSettingsKeyPath, tmx1::kZoomValueName, c.user));
        }
        announceHostScale(c.host);
        screen.SetDesktopScale(c.desktop);
        const toolkit::TZoom zoom(c.expected);
        const std::pair<int, int> expected{zoom.Device(570), zoom.Device(265)};
        // What a host asks before it opens the editor is what the window then has.
        static_cast<tmx1::APluginEditor*>(plugin->getEditor())->openNextOnScreen(screen);
        EXPECT_EQ(reportedSize(), expected);
        openEditor();
        EXPECT_EQ(window().Zoom().Percent(), c.expected);
        EXPECT_EQ(windowSize(), expected);
        EXPECT_EQ(reportedSize(), expected);
        dispatch(vst::effEditClose);
    }
}

// Every gesture, replayed at each zoom with the mouse going the device pixels that the layout's
// pixels cover, must reach the same controls and give the same values.
TEST_F(ZoomedEditor, ClicksAndDragsReachTheSameControlsWithTheSameValues) {
    std::vector<std::vector<Automated>> results;
    std::vector<std::array<float, tmx1::kNumParams>> values;
    for (int percent : {100, 150, 200}) {
        SCOPED_TRACE(percent);
        TearDown();
        SetUp();
        automated.clear();
        forceZoom(percent);
        openEditor();
        idle();
        ASSERT_EQ(window().Zoom().Percent(), percent);
        tmx1::TPluginEditorWindow& w = window();
        dragKnob(*w.ThresholdControl, 13);
        dragKnob(*w.ReleaseControl, -7);
        dragKnob(*w.KneeControl, 21);
        dragKnob(*w.OutputGainControl, 3);
        idle();
        for (toolkit::TControl* control : std::initializer_list<toolkit::TControl*>{
                 w.PDRswitch, w.AutoGainSwitch, w.BrickWallSwitch, w.TruePeakSwitch, w.StereoLinkSwitch,
                 w.RelType2, w.Reltype4, w.ABSwitch, w.CopySwitch, w.RecallSwitch}) {
            click(*control);
            idle();
        }
        results.push_back(automated);
        std::array<float, tmx1::kNumParams> now{};
        for (int i = 0; i < tmx1::kNumParams; ++i)
            now[static_cast<std::size_t>(i)] = plugin->getParameter(i);
        values.push_back(now);
    }
    ASSERT_GE(results[0].size(), 13u) << "every gesture at 100 % reached the effect";
    EXPECT_EQ(results[1], results[0]);
    EXPECT_EQ(results[2], results[0]);
    EXPECT_EQ(values[1], values[0]);
    EXPECT_EQ(values[2], values[0]);
}

TEST_F(ZoomedEditor, TheMenuZoomsTheOpenWindowAndEveryInstanceOpenedAfter) {
    openEditor();
    idle();
    EXPECT_EQ(windowSize(), std::make_pair(570, 265));
    screenWindow().Press(300, 150, platform::MouseButton::Right);
    tmx1::TPanelMenu& menu = window().PanelMenu();
    ASSERT_TRUE(menu.IsOpen());
    ASSERT_GE(menu.EntryCount(), 4);
    EXPECT_EQ(menu.EntryCaption(0), "Zoom 100 %");
    EXPECT_EQ(menu.EntryCaption(1), "Zoom 150 %");
    EXPECT_EQ(menu.EntryCaption(2), "Zoom 200 %");
    EXPECT_EQ(menu.EntryCaption(3), "Save Preset");
    EXPECT_TRUE(menu.EntryChecked(0));
    EXPECT_FALSE(menu.EntryChecked(1));
    EXPECT_TRUE(menu.Note().empty());
    idle();
    // The menu is on the screen: its frame where it opened, over the panel.
    const platform::Rect first = menu.EntryRect(0);
    EXPECT_EQ(screenWindow().ScreenPixel(first.Left - 1, first.Top + 5), 0x84888Cu) << "the menu's frame";
    // A press outside closes it without choosing anything.
    screenWindow().Press(5, 5);
    EXPECT_FALSE(menu.IsOpen());
    idle();
    EXPECT_TRUE(sizeRequests.empty());

    chooseZoomInMenu(300, 150, 200);
    EXPECT_FALSE(window().PanelMenu().IsOpen());
    idle(); // the choice is applied once the window's own idle has returned
    ASSERT_EQ(sizeRequests, (std::vector<std::pair<int, int>>{{1140, 530}}));
    EXPECT_EQ(windowSize(), std::make_pair(1140, 530));
    EXPECT_EQ(reportedSize(), std::make_pair(1140, 530));
    EXPECT_EQ(screen.WindowCount(), 1) << "the old window went";
    EXPECT_EQ(storedZoom(), 200);
    // The zoomed panel is painted, and the menu shows the new zoom checked.
    idle();
    EXPECT_GT(screenWindow().PaintCount(), 0);
    chooseZoomInMenu(100, 100, 200);
    EXPECT_TRUE(window().PanelMenu().IsOpen() == false);
    idle();
    EXPECT_EQ(sizeRequests.size(), 1u) << "choosing the zoom in use asks for nothing";

    // Another instance, opened later by the same user, starts at the remembered zoom.
    tmx1::APlugin second(nullptr);
    platform::headless::Screen otherScreen;
    ASSERT_EQ(host::openEditorOnScreen(*second.getAeffect(), otherScreen), 1);
    EXPECT_EQ(otherScreen.LastWindow().Width(), 1140);
    EXPECT_EQ(otherScreen.LastWindow().Height(), 530);
    second.dispatcher(vst::effEditClose, 0, 0, nullptr, 0.0f);
}

TEST_F(ZoomedEditor, AHostThatKeepsItsSizeGetsTheNewZoomAtTheNextOpen) {
    hostResizes = false;
    openEditor();
    idle();
    chooseZoomInMenu(200, 200, 150);
    idle();
    ASSERT_EQ(sizeRequests, (std::vector<std::pair<int, int>>{{855, 398}}));
    EXPECT_EQ(windowSize(), std::make_pair(570, 265)) << "our window stays as large as the host's";
    EXPECT_EQ(reportedSize(), std::make_pair(570, 265));
    EXPECT_EQ(window().PendingZoom(), 150);
    screenWindow().Press(200, 200, platform::MouseButton::Right);
    EXPECT_TRUE(window().PanelMenu().EntryChecked(0)) << "the zoom in use is still 100 %";
    EXPECT_EQ(window().PanelMenu().Note(), "150 % from the next opening of the panel");
    screenWindow().Press(1, 1);

    dispatch(vst::effEditClose);
    EXPECT_EQ(reportedSize(), std::make_pair(855, 398));
    openEditor();
    EXPECT_EQ(windowSize(), std::make_pair(855, 398));
    EXPECT_EQ(window().PendingZoom(), 0);
}

TEST_F(ZoomedEditor, AZoomedIdleWithNothingChangedPaintsNothing) {
    forceZoom(200);
    openEditor();
    idle();
    idle();
    const int painted = screenWindow().PaintCount();
    for (int i = 0; i < 5; ++i)
        idle();
    EXPECT_EQ(screenWindow().PaintCount(), painted);
    // A change paints again, at the zoom.
    dragKnob(*window().ThresholdControl, 5);
    idle();
    EXPECT_GT(screenWindow().PaintCount(), painted);
}

TEST_F(ZoomedEditor, OurHostsZoomRequestTakesOnlyTheSteps) {
    for (int percent : {0, 99, 125, 300, -150})
        EXPECT_FALSE(host::requestEditorZoom(*plugin->getAeffect(), percent)) << percent;
    EXPECT_EQ(reportedSize(), std::make_pair(570, 265));
    forceZoom(150);
    EXPECT_EQ(reportedSize(), std::make_pair(855, 398));
}

} // namespace
} // namespace editortest
