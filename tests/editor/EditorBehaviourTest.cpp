// The panel's behaviour through the real bridge: what the first idle shows, knob gestures, switches,
// release-type buttons, the A/B compare with copy and recall, and the hotspots.
#include "tests/editor/EditorFixture.h"

#include "dsp/APluginProgram.h"


namespace editortest {
namespace {

using tmx1::kFactoryPrograms;

TEST_F(OpenEditor, FirstIdleSetsEveryControlFromTheEffect) {
    plugin->setParameter(tmx1::kThreshold, 0.0f);
    plugin->setParameter(tmx1::kBrickWall, 1.0f);
    plugin->setParameter(tmx1::kTruePeak, 1.0f);
    openEditor();
    auto& w = window();
    // Before the first idle: the layout's own state.
    EXPECT_EQ(w.ThresholdLabel->Caption(), "-");
    EXPECT_EQ(w.ThresholdControl->Position(), 0);
    EXPECT_EQ(w.RelType0->Opacity(), 255);
    EXPECT_EQ(w.InMeterLabel->Caption(), "In");

    idle();
    EXPECT_EQ(w.ThresholdControl->Position(), 0) << "equal to the initial state, refreshed all the same";
    EXPECT_EQ(w.ThresholdLabel->Caption(), "-40.0");
    EXPECT_EQ(w.ReleaseControl->Position(), 44);
    EXPECT_EQ(w.ReleaseLabel->Caption(), "104.4");
    EXPECT_EQ(w.KneeLabel->Caption(), "10.00");
    EXPECT_EQ(w.OutputGainLabel->Caption(), "0.000");
    EXPECT_EQ(w.PDRswitch->Opacity(), 255);
    EXPECT_EQ(w.AutoGainSwitch->Opacity(), 255);
    EXPECT_EQ(w.BrickWallSwitch->Opacity(), 255);
    EXPECT_EQ(w.StereoLinkSwitch->Opacity(), 255);
    EXPECT_EQ(w.TruePeakSwitch->Opacity(), 255);
    EXPECT_EQ(w.Reltype4->Opacity(), 255) << "release type 1.0 is Classic";
    EXPECT_EQ(w.RelType0->Opacity(), 0);
    EXPECT_EQ(w.ProgramIndex, 0);
    EXPECT_EQ(w.InMeterLabel->Caption(), "  -oo -oo");
    EXPECT_TRUE(automated.empty()) << "showing values reports nothing";
}

TEST_F(OpenEditor, AnIdleWithoutChangesPaintsNothing) {
    openEditor();
    idle();
    idle();
    const int paints = screenWindow().PaintCount();
    idle();
    idle();
    EXPECT_EQ(screenWindow().PaintCount(), paints);
    plugin->setParameter(tmx1::kKnee, 0.25f);
    idle();
    EXPECT_EQ(screenWindow().PaintCount(), paints + 1) << "a change repaints, once";
    EXPECT_EQ(window().KneeLabel->Caption(), "5.000");
}

TEST_F(OpenEditor, DragUpTenPixelsMovesThresholdByATenthOrWithCtrlByAHundredth) {
    openEditor();
    idle();
    auto& w = window();
    dragKnob(*w.ThresholdControl, 10);
    EXPECT_FLOAT_EQ(plugin->getParameter(tmx1::kThreshold), 0.9f);
    EXPECT_EQ(w.ThresholdLabel->Caption(), "5.000");
    ASSERT_FALSE(automated.empty());
    EXPECT_EQ(automated.back(), (Automated{tmx1::kThreshold, 0.9f}));

    plugin->setParameter(tmx1::kThreshold, 0.8f);
    idle();
    automated.clear();
    dragKnob(*w.ThresholdControl, 10, platform::modCtrl);
    EXPECT_FLOAT_EQ(plugin->getParameter(tmx1::kThreshold), 0.81f);
    EXPECT_EQ(w.ThresholdLabel->Caption(), "0.500");
    EXPECT_EQ(w.ThresholdControl->Max(), 1000);
    for (const Automated& a : automated)
        EXPECT_EQ(a.index, tmx1::kThreshold);
}

TEST_F(OpenEditor, FineAdjustKeepsItsMaxUntilThenextPressWhichSendsNothing) {
    openEditor();
    idle();
    auto& w = window();
    dragKnob(*w.KneeControl, 0, platform::modCtrl);
    EXPECT_EQ(w.KneeControl->Max(), 1000);
    automated.clear();
    plugin->setParameter(tmx1::kKnee, 0.437f);
    idle();
    EXPECT_EQ(w.KneeControl->Position(), 437);
    screenWindow().Press(168, 203);
    EXPECT_EQ(w.KneeControl->Position(), 44);
    EXPECT_EQ(w.KneeControl->Max(), 100);
    screenWindow().Release(168, 203);
    EXPECT_TRUE(automated.empty());
    EXPECT_FLOAT_EQ(plugin->getParameter(tmx1::kKnee), 0.437f);
}

TEST_F(OpenEditor, AltPressResetsTheKnobToItsDefaultAndTheDragGoesOnFromThere) {
    plugin->setParameter(tmx1::kRelease, 0.1f);
    openEditor();
    idle();
    auto& w = window();
    screenWindow().Press(288, 103, platform::MouseButton::Left, platform::modAlt);
    ASSERT_FALSE(automated.empty());
    EXPECT_EQ(automated.back(), (Automated{tmx1::kRelease, 0.5f}));
    EXPECT_EQ(w.ReleaseLabel->Caption(), "158.1");
    screenWindow().Move(288, 98, platform::modAlt);
    screenWindow().Release(288, 98, platform::MouseButton::Left, platform::modAlt);
    EXPECT_FLOAT_EQ(plugin->getParameter(tmx1::kRelease), 0.55f);
}

TEST_F(OpenEditor, SwitchAndReleaseTypeClicksGoToTheHostAndLightAfterTheNextIdle) {
    openEditor();
    idle();
    auto& w = window();
    for (const auto& [lamp, index] : {std::pair{w.BrickWallSwitch, int{tmx1::kBrickWall}},
                                      std::pair{w.TruePeakSwitch, int{tmx1::kTruePeak}}}) {
        SCOPED_TRACE(lamp->Name());
        automated.clear();
        ASSERT_EQ(lamp->Opacity(), 0);
        click(*lamp);
        EXPECT_EQ(automated, (std::vector<Automated>{{index, 1.0f}}));
        EXPECT_EQ(lamp->Opacity(), 0) << "the switch waits for the effect";
        click(*lamp);
        EXPECT_EQ(automated.back(), (Automated{index, 1.0f})) << "same value twice before the idle";
        idle();
        EXPECT_EQ(lamp->Opacity(), 255);
        click(*lamp);
        EXPECT_EQ(automated.back(), (Automated{index, 0.0f}));
        idle();
        EXPECT_EQ(lamp->Opacity(), 0);
        plugin->setParameter(index, 1.0f);
        idle();
        EXPECT_EQ(lamp->Opacity(), 255) << "the lamp follows the host";
    }

    automated.clear();
    click(*w.RelType2);
    EXPECT_EQ(automated, (std::vector<Automated>{{tmx1::kReleaseType, 0.5f}}));
    EXPECT_EQ(w.Reltype4->Opacity(), 255);
    idle();
    EXPECT_EQ(w.RelType2->Opacity(), 255);
    EXPECT_EQ(w.Reltype4->Opacity(), 0);
    click(*w.RelType2);
    EXPECT_EQ(automated.back(), (Automated{tmx1::kReleaseType, 0.5f})) << "the lit button sends again";
    idle();
    EXPECT_EQ(w.RelType2->Opacity(), 255);
}

TEST_F(OpenEditor, HiddenControlsStillTakeTheirClicks) {
    openEditor();
    idle();
    auto& w = window();
    ASSERT_EQ(w.PDRswitch->Opacity(), 255);
    plugin->setParameter(tmx1::kPde, 0.0f);
    idle();
    ASSERT_EQ(w.PDRswitch->Opacity(), 0);
    click(*w.PDRswitch);
    EXPECT_EQ(automated.back(), (Automated{tmx1::kPde, 1.0f}));

    w.ABValues[1].fill(0.25f);
    click(*w.CopySwitch); // nothing visible there, yet it copies A over B
    EXPECT_EQ(w.ABValues[1], w.ABValues[0]);
}

TEST_F(OpenEditor, ABRightAfterOpeningLoadsProgramZeroAndComesBack) {
    plugin->setParameter(tmx1::kThreshold, 0.3f);
    plugin->setParameter(tmx1::kKnee, 0.9f);
    openEditor();
    idle();
    auto& w = window();
    const std::array<float, 10> before = w.ABValues[0];
    automated.clear();
    click(*w.ABSwitch);
    EXPECT_EQ(w.ABSlot, 1);
    EXPECT_EQ(w.ABSwitch->Opacity(), 255) << "lit while B is active";
    ASSERT_EQ(automated.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(automated[static_cast<std::size_t>(i)].index, i);
        EXPECT_EQ(plugin->getParameter(i), kFactoryPrograms[0].values[static_cast<std::size_t>(i)]) << i;
    }
    idle();
    EXPECT_EQ(w.ThresholdLabel->Caption(), "0.000");
    EXPECT_EQ(w.ABValues[0], before) << "A keeps the snapshot";

    click(*w.ABSwitch);
    EXPECT_EQ(w.ABSlot, 0);
    EXPECT_EQ(w.ABSwitch->Opacity(), 0);
    EXPECT_FLOAT_EQ(plugin->getParameter(tmx1::kThreshold), 0.3f);
    EXPECT_FLOAT_EQ(plugin->getParameter(tmx1::kKnee), 0.9f);
    idle();
    EXPECT_EQ(w.ThresholdLabel->Caption(), "-25.0");
}

TEST_F(OpenEditor, CopyThenABKeepsTheEffectsValuesAndRefreshesOnce) {
    plugin->setParameter(tmx1::kGain, 0.75f);
    openEditor();
    idle();
    auto& w = window();
    click(*w.CopySwitch);
    EXPECT_TRUE(automated.empty()) << "copy changes no parameter";
    click(*w.ABSwitch);
    EXPECT_FLOAT_EQ(plugin->getParameter(tmx1::kGain), 0.75f);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(w.ABValues[1][static_cast<std::size_t>(i)], 2.0f) << "B stale until the update";
    const int paints = screenWindow().PaintCount();
    idle();
    EXPECT_EQ(screenWindow().PaintCount(), paints + 1);
    EXPECT_EQ(w.OutputGainLabel->Caption(), "5.000");
    EXPECT_EQ(w.ABValues[1][tmx1::kGain], 0.75f);
}

TEST_F(OpenEditor, RecallSendsTheFactoryValuesOfTheCurrentProgramInIndexOrder) {
    dispatch(vst::effSetProgram, 0, 3);
    plugin->setParameter(tmx1::kKnee, 0.9f);
    plugin->setParameter(tmx1::kTruePeak, 0.7f);
    openEditor();
    idle();
    auto& w = window();
    const std::array<float, 10> inactive = w.ABValues[1];
    automated.clear();
    click(*w.RecallSwitch);
    ASSERT_EQ(automated.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        const float factory = kFactoryPrograms[3].values[static_cast<std::size_t>(i)];
        EXPECT_EQ(automated[static_cast<std::size_t>(i)], (Automated{i, factory}));
        EXPECT_EQ(plugin->getParameter(i), factory);
    }
    idle();
    EXPECT_EQ(w.ABValues[0], kFactoryPrograms[3].values);
    EXPECT_EQ(w.ABValues[1], inactive);
    EXPECT_EQ(w.KneeLabel->Caption(), "3.000");
}

// The host records an edit of the panel as one gesture only when a begin and an end of that parameter's
// edit hold it: a whole drag, and each parameter of a click or a recall on its own.
TEST_F(OpenEditor, EveryEditOfThePanelLiesBetweenABeginAndAnEndOfItsParameter) {
    using Edit = std::pair<vst::Int32, int>;
    constexpr vst::Int32 begin = vst::audioMasterBeginEdit;
    constexpr vst::Int32 automate = vst::audioMasterAutomate;
    constexpr vst::Int32 end = vst::audioMasterEndEdit;
    openEditor();
    idle();
    auto& w = window();
    edits.clear();
    const auto [x, y] = centreOf(*w.ReleaseControl);
    screenWindow().Press(x, y);
    screenWindow().Move(x, y - 5);
    screenWindow().Move(x, y - 10);
    screenWindow().Release(x, y - 10);
    EXPECT_EQ(edits, (std::vector<Edit>{{begin, tmx1::kRelease},
                                        {automate, tmx1::kRelease},
                                        {automate, tmx1::kRelease},
                                        {end, tmx1::kRelease}}));

    for (const auto& [lamp, index] : {std::pair{w.BrickWallSwitch, int{tmx1::kBrickWall}},
                                      std::pair{w.TruePeakSwitch, int{tmx1::kTruePeak}}}) {
        edits.clear();
        click(*lamp);
        EXPECT_EQ(edits, (std::vector<Edit>{{begin, index}, {automate, index}, {end, index}}))
            << lamp->Name();
    }

    edits.clear();
    click(*w.RecallSwitch);
    std::vector<Edit> each;
    for (int i = 0; i < tmx1::kNumParams; ++i)
        each.insert(each.end(), {{begin, i}, {automate, i}, {end, i}});
    EXPECT_EQ(edits, each);

    edits.clear();
    const auto [kneeX, kneeY] = centreOf(*w.KneeControl);
    screenWindow().Press(kneeX, kneeY);
    dispatch(vst::effEditClose);
    EXPECT_EQ(edits, (std::vector<Edit>{{begin, tmx1::kKnee}, {end, tmx1::kKnee}}))
        << "a close in the middle of a drag ends its edit";
}

TEST_F(OpenEditor, ProductInformationAndTheMakersSite) {
    openEditor();
    idle();
    click(*window().About);
    ASSERT_EQ(screen.InformationBoxes().size(), 1u);
    EXPECT_EQ(screen.InformationBoxes()[0].text,
              "Tollimax | TMX-1 v1.10 by Brindlow Audio, https://brindlow-audio.example/tmx-1");
    EXPECT_EQ(screenWindow().CurrentCursor(), platform::Cursor::HandPoint);
}

TEST_F(OpenEditor, OpenWithARefusedParentAnswersZeroAndCreatesNothing) {
    EXPECT_EQ(dispatch(vst::effEditOpen, 0, 0, nullptr), 0);
    EXPECT_EQ(static_cast<tmx1::APluginEditor*>(plugin->getEditor())->editorWindow(), nullptr);
    EXPECT_EQ(dispatch(vst::effEditIdle), 0);
    openEditor(); // a good parent still works afterwards
    EXPECT_EQ(screen.WindowCount(), 1);
}

TEST_F(OpenEditor, CloseAndReopenStartFresh) {
    openEditor();
    idle();
    click(*window().ABSwitch);
    window().PeakHolds[0] = 3.0f;
    dispatch(vst::effEditClose);
    EXPECT_EQ(screen.WindowCount(), 0);
    openEditor();
    EXPECT_EQ(window().ABSlot, 0);
    EXPECT_EQ(window().ABSwitch->Opacity(), 0);
    EXPECT_EQ(window().PeakHolds[0], -100.0f);
    EXPECT_EQ(window().ABValues[0][0], 2.0f);
}

} // namespace
} // namespace editortest
