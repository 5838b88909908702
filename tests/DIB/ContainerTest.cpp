// The skinned container and the control base: creation rules, the paint cycle and its composition,
// focus order, mouse bookkeeping and press auto-repeat.
#include "SkinnedPanelSupport.h"

#include "DIB/cDIBImage.h"
#include "toolkit/ClassRegistry.h"
#include "toolkit/FormReader.h"
#include "toolkit/FormText.h"
#include "toolkit/Panel.h"

#include <gtest/gtest.h>

namespace {

using namespace dibtest;
using dib::TCustomDIBControl;

TTestSkin* addSkin(SkinnedPanel& panel, const std::string& name, platform::Rect bounds) {
    auto* skin = new TTestSkin(&panel.form);
    skin->SetName(name);
    skin->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    return skin;
}

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "(nothing thrown)";
}

// ---- creation

TEST(SkinnedControlCreation, NeedsAnOwnerThatIsOrOwnsAContainer) {
    EXPECT_EQ(messageOf([] { TTestSkin skin(nullptr); }), "Owner cannot be nil");
    toolkit::TForm bare(nullptr);
    EXPECT_EQ(messageOf([&] { new TTestSkin(&bare); }), "Parent must be a TDIBContainer");
    EXPECT_EQ(bare.ComponentCount(), 0) << "a refused control must not stay among the owner's components";

    SkinnedPanel panel;
    auto* skin = new TTestSkin(&panel.form);
    EXPECT_EQ(skin->Parent(), panel.container) << "created into the owner's container";
    EXPECT_EQ(skin->Width(), 32);
    EXPECT_EQ(skin->Opacity(), 255);
    EXPECT_EQ(skin->DIBTabOrder(), -1);
    skin->SetParent(&panel.form);
    EXPECT_EQ(skin->Parent(), panel.container) << "a form parent is replaced by its container";
    auto* plain = new toolkit::TPanel(&panel.form);
    EXPECT_EQ(messageOf([&] { skin->SetParent(plain); }), "Parent must be a TDIBContainer");
    EXPECT_EQ(skin->Parent(), panel.container);
    skin->SetParent(nullptr);
    EXPECT_EQ(skin->Parent(), nullptr);
}

TEST(SkinnedControlCreation, TemplatePropertiesMustBePublishedAndPlain) {
    SkinnedPanel panel;
    auto* skin = new TTestSkin(&panel.form);
    EXPECT_EQ(skin->TemplateProperties(), (std::vector<std::string>{"Width", "Height"}));
    skin->Register("Opacity");
    EXPECT_EQ(skin->TemplateProperties().back(), "Opacity");
    EXPECT_EQ(
        messageOf([&] { skin->Register("Colour"); }),
        "Class TTestSkin is trying to register Colour as a template property, and that property does not "
        "exist.");
    EXPECT_EQ(messageOf([&] { skin->Register("DIBImageList"); }),
              "Attempting to template an invalid property type.");
    EXPECT_EQ(messageOf([&] { skin->Register("OnClick"); }),
              "Attempting to template an invalid property type.");
    EXPECT_EQ(skin->TemplateProperties().size(), 3u);
}

TEST(SkinnedControlCreation, AFormBuildsTheContainerWithItsBorderSettingsAndEmptyCollections) {
    toolkit::TClassRegistry classes;
    dib::RegisterDIBContainerClasses(classes);
    dib::RegisterDIBImageClasses(classes);
    const auto stream = toolkit::CompileFormText(R"(object Form: TForm
  object DIBContainer1: TDIBContainer
    Width = 570
    Height = 265
    BorderDrawPosition = bdUnderControls
    object Lamp: TDIBImage
      Left = 18
      Top = 74
      Width = 13
      Height = 13
      Children = <>
      DIBFeatures = <>
      DIBTabOrder = 0
      Opacity = 0
    end
  end
end
)",
                                                 {});
    toolkit::TForm form(nullptr);
    toolkit::TReader(stream, classes).ReadRootComponent(form);
    auto* container = dynamic_cast<dib::TDIBContainer*>(form.FindComponent("DIBContainer1"));
    ASSERT_NE(container, nullptr);
    EXPECT_EQ(container->BorderDrawPosition(), dib::bdUnderControls);
    EXPECT_EQ(container->BackBuffer().Width(), 570) << "the back buffer takes the size once loaded";
    ASSERT_EQ(container->ControlCount(), 1);
    auto* lamp = dynamic_cast<dib::TDIBImage*>(container->Controls(0));
    ASSERT_NE(lamp, nullptr);
    EXPECT_EQ(lamp->Opacity(), 0);
    EXPECT_EQ(lamp->Children()->Count(), 0);
    EXPECT_EQ(container->FocusList(), (std::vector<TCustomDIBControl*>{lamp}))
        << "the focus list built on loading";
}

// ---- painting

TEST(SkinnedPainting, OpacityZeroLeavesTheBackgroundAndFullOpacityShowsTheControlExactly) {
    SkinnedPanel panel;
    auto* skin = addSkin(panel, "Lamp", {10, 10, 23, 23});
    skin->SetOpacity(0);
    panel.window->Idle();
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(panel.Pixel(x, y), panelRgb) << x << "," << y;
    skin->SetOpacity(255);
    EXPECT_EQ(panel.window->InvalidRect(), (platform::Rect{10, 10, 23, 23})) << "only the control repaints";
    panel.window->Idle();
    EXPECT_EQ(panel.Pixel(10, 10), 0xFF0000u);
    EXPECT_EQ(panel.Pixel(22, 22), 0xFF0000u);
    EXPECT_EQ(panel.Pixel(23, 22), panelRgb);
    skin->SetOpacity(128);
    panel.window->Idle();
    const std::uint32_t mixed = panel.Pixel(15, 15);
    EXPECT_GT(mixed >> 16, 0x20u);
    EXPECT_LT(mixed >> 16, 0xFFu);
}

TEST(SkinnedPainting, AControlPartlyOutsideIsAlignedByItsOwnColumns) {
    SkinnedPanel panel;
    auto* skin = addSkin(panel, "Edge", {-5, -3, 15, 17}); // 20 × 20
    skin->gradient = true;
    panel.window->Idle();
    // Container column 0 shows the control's column 5, row 0 its row 3.
    EXPECT_EQ(panel.Pixel(0, 0), (5u << 16) | (3u << 8));
    EXPECT_EQ(panel.Pixel(9, 13), (14u << 16) | (16u << 8));
    EXPECT_EQ(panel.Pixel(15, 0), panelRgb);
}

TEST(SkinnedPainting, LaterChildrenLieOverEarlierOnesAlsoWhenOnlyTheLowerOneRepaints) {
    SkinnedPanel panel;
    auto* lower = addSkin(panel, "Lower", {10, 10, 40, 40});
    auto* upper = addSkin(panel, "Upper", {30, 30, 60, 60});
    upper->colour = 0xFF0000FF;
    panel.window->Idle();
    EXPECT_EQ(panel.Pixel(35, 35), 0x0000FFu);
    lower->colour = 0xFF00FF00;
    lower->Invalidate();
    panel.window->Idle();
    EXPECT_EQ(panel.Pixel(15, 15), 0x00FF00u);
    EXPECT_EQ(panel.Pixel(35, 35), 0x0000FFu) << "the upper control is composed again over the lower one";
    EXPECT_EQ(upper->paints, 2);
}

TEST(SkinnedPainting, OnlyThePaintRectangleIsComposedAndCopiedOut) {
    SkinnedPanel panel;
    auto* wide = addSkin(panel, "Wide", {0, 0, 100, 60});
    panel.window->Idle();
    wide->colour = 0xFF00FF00;
    panel.container->InvalidateRect({20, 20, 30, 25});
    panel.window->Idle();
    EXPECT_EQ(panel.Pixel(20, 20), 0x00FF00u);
    EXPECT_EQ(panel.Pixel(29, 24), 0x00FF00u);
    EXPECT_EQ(panel.Pixel(30, 24), 0xFF0000u) << "outside the paint rectangle the old picture stays";
    EXPECT_EQ(panel.Pixel(19, 20), 0xFF0000u);
}

TEST(SkinnedPainting, HooksRunInOrderAroundEachControlInChildOrder) {
    SkinnedPanel panel;
    std::vector<std::string> log;
    auto* a = addSkin(panel, "A", {0, 0, 10, 10});
    auto* b = addSkin(panel, "B", {5, 5, 15, 15});
    auto* hidden = addSkin(panel, "Hidden", {0, 0, 10, 10});
    auto* away = addSkin(panel, "Away", {80, 40, 90, 50});
    for (TTestSkin* skin : {a, b, hidden, away})
        skin->log = &log;
    hidden->SetVisible(false);
    panel.container->BeforePaint = [&](toolkit::TPersistent*, dib::TAbstractSuperDIB& image) {
        log.push_back(&image == &panel.container->BackBuffer() ? "before" : "before?");
    };
    panel.container->AfterPaint = [&](toolkit::TPersistent*, dib::TAbstractSuperDIB&) {
        log.push_back("after");
    };
    a->OnPaintStart = [&](toolkit::TPersistent*) { log.push_back("A:OnPaintStart"); };
    panel.window->Idle();
    log.clear();
    panel.container->InvalidateRect({0, 0, 20, 20});
    panel.window->Idle();
    EXPECT_EQ(log, (std::vector<std::string>{"before", "A:start", "A:OnPaintStart", "A:paint", "A:end",
                                             "B:start", "B:paint", "B:end", "after"}));
}

TEST(SkinnedPainting, AChildAskingForALargerRectangleGetsItOnTheNextPaint) {
    SkinnedPanel panel;
    auto* skin = addSkin(panel, "Grow", {10, 10, 20, 20});
    panel.window->Idle();
    skin->enlargeTo = {0, 0, 50, 30};
    skin->colour = 0xFF0000FF;
    skin->Invalidate();
    const int paints = skin->paints;
    panel.window->Idle();
    EXPECT_EQ(skin->paints, paints) << "the first pass only re-issues the paint";
    EXPECT_EQ(panel.window->InvalidRect(), (platform::Rect{0, 0, 50, 30}));
    panel.window->Idle();
    EXPECT_EQ(skin->paints, paints + 1);
    EXPECT_EQ(panel.Pixel(12, 12), 0x0000FFu);
}

// ---- focus

TEST(SkinnedFocus, TabOrderPlacesControlsAndFocusWrapsOverEnabledOnes) {
    SkinnedPanel panel;
    auto* a = addSkin(panel, "A", {0, 0, 10, 10});
    auto* b = addSkin(panel, "B", {10, 0, 20, 10});
    auto* c = addSkin(panel, "C", {20, 0, 30, 10});
    a->SetDIBTabOrder(0);
    b->SetDIBTabOrder(7);
    EXPECT_EQ(b->DIBTabOrder(), 1) << "past the end means appended";
    c->SetDIBTabOrder(0);
    EXPECT_EQ(panel.container->FocusList(), (std::vector<TCustomDIBControl*>{c, a, b}));
    EXPECT_EQ(a->DIBTabOrder(), 0) << "the stored value is the index at placement";

    int changes = 0;
    std::vector<std::string> events;
    panel.container->OnActiveControlChange = [&](toolkit::TPersistent*) { ++changes; };
    a->OnEnter = [&](toolkit::TPersistent*) { events.push_back("enter A"); };
    a->OnExit = [&](toolkit::TPersistent*) { events.push_back("exit A"); };
    panel.container->Enter(false);
    EXPECT_EQ(panel.container->ActiveControl(), c);
    panel.container->FocusNext();
    EXPECT_TRUE(a->Focused());
    EXPECT_FALSE(c->Focused());
    b->SetEnabled(false);
    panel.container->FocusNext();
    EXPECT_EQ(panel.container->ActiveControl(), c) << "the disabled one is skipped and the end wraps";
    panel.container->FocusPrevious();
    EXPECT_EQ(panel.container->ActiveControl(), a) << "backwards skips the disabled one too";
    a->SetEnabled(false);
    EXPECT_EQ(panel.container->ActiveControl(), nullptr) << "disabling the focused control takes its focus";
    panel.container->Enter(true);
    EXPECT_EQ(panel.container->ActiveControl(), c) << "with Shift the last enabled one";
    EXPECT_EQ(events, (std::vector<std::string>{"enter A", "exit A", "enter A", "exit A"}));
    EXPECT_EQ(changes, 6);
    c->SetDIBTabOrder(-1);
    EXPECT_EQ(panel.container->ActiveControl(), nullptr);
    EXPECT_EQ(panel.container->FocusList(), (std::vector<TCustomDIBControl*>{a, b}));
    delete b;
    EXPECT_EQ(panel.container->FocusList(), (std::vector<TCustomDIBControl*>{a}));
}

TEST(SkinnedFocus, PressOrClickTakesTheFocusOnlyWithATabOrder) {
    SkinnedPanel panel;
    auto* inOrder = addSkin(panel, "InOrder", {0, 0, 10, 10});
    auto* outside = addSkin(panel, "Outside", {20, 0, 30, 10});
    inOrder->SetDIBTabOrder(0);
    panel.window->Press(25, 5);
    panel.window->Release(25, 5);
    EXPECT_EQ(panel.container->ActiveControl(), nullptr);
    panel.window->Press(5, 5);
    EXPECT_EQ(panel.container->ActiveControl(), inOrder);
    panel.window->Release(5, 5);
    EXPECT_FALSE(outside->Focused());
}

TEST(SkinnedFocus, AltWithTheAcceleratorClicksAnEnabledVisibleControl) {
    SkinnedPanel panel;
    auto* skin = addSkin(panel, "Key", {0, 0, 10, 10});
    int clicks = 0;
    skin->OnClick = [&](toolkit::TPersistent*) { ++clicks; };
    skin->SetAccelerator("k");
    panel.form.SetActiveControl(panel.container);
    panel.window->Key(platform::KeyEventKind::Down, 'K', platform::modAlt);
    EXPECT_EQ(clicks, 1);
    panel.window->Key(platform::KeyEventKind::Down, 'K');
    EXPECT_EQ(clicks, 1) << "without Alt no click";
    skin->SetEnabled(false);
    panel.window->Key(platform::KeyEventKind::Down, 'K', platform::modAlt);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(skin->Accelerator(), "k");
}

// ---- mouse

TEST(SkinnedMouse, AClickIsAPressAndAReleaseInsideTheControl) {
    SkinnedPanel panel;
    auto* skin = addSkin(panel, "Switch", {10, 10, 13, 13});
    skin->SetOpacity(0);
    int clicks = 0;
    std::vector<std::string> order;
    skin->OnClick = [&](toolkit::TPersistent*) { order.push_back("click"), ++clicks; };
    skin->OnMouseUp = [&](toolkit::TPersistent*, toolkit::TMouseButton, toolkit::TShiftState, int, int) {
        order.push_back("up");
    };
    panel.window->Press(12, 12);
    EXPECT_TRUE(skin->ButtonPressed(toolkit::mbLeft));
    EXPECT_TRUE(panel.window->Captured());
    panel.window->Release(12, 12);
    EXPECT_FALSE(panel.window->Captured());
    EXPECT_EQ(clicks, 1) << "a hidden (opacity 0) control still takes clicks";
    EXPECT_EQ(order, (std::vector<std::string>{"click", "up"}));
    panel.window->Press(12, 12);
    panel.window->Move(50, 50);
    panel.window->Release(50, 50);
    EXPECT_EQ(clicks, 1) << "released outside: no click";
    EXPECT_FALSE(skin->ButtonPressed(toolkit::mbLeft));
}

TEST(SkinnedMouse, ADragOutKeepsTheControlHotUntilTheRelease) {
    SkinnedPanel panel;
    auto* skin = addSkin(panel, "Knob", {10, 10, 20, 20});
    auto* other = addSkin(panel, "Other", {50, 10, 70, 30});
    std::vector<std::string> events;
    skin->OnMouseEnter = [&](toolkit::TPersistent*) { events.push_back("enter knob"); };
    skin->OnMouseLeave = [&](toolkit::TPersistent*) { events.push_back("leave knob"); };
    other->OnMouseEnter = [&](toolkit::TPersistent*) { events.push_back("enter other"); };
    panel.window->Move(15, 15);
    EXPECT_TRUE(skin->Hot());
    EXPECT_TRUE(skin->Inside());
    panel.window->Press(15, 15);
    panel.window->Move(60, 15);
    EXPECT_FALSE(skin->Inside());
    EXPECT_TRUE(skin->Hot()) << "the capture holds it hot";
    EXPECT_EQ(skin->LastShift() & toolkit::ssLeft, toolkit::ssLeft);
    panel.window->Release(60, 15);
    EXPECT_FALSE(skin->Hot());
    EXPECT_EQ(events, (std::vector<std::string>{"enter knob", "enter other", "leave knob"}));
}

TEST(SkinnedMouse, TheHandCursorFollowsTheControlUnderTheMouse) {
    SkinnedPanel panel;
    auto* link = addSkin(panel, "Link", {0, 0, 20, 20});
    link->SetCursor(toolkit::crHandPoint);
    panel.window->Move(5, 5);
    EXPECT_EQ(panel.window->CurrentCursor(), platform::Cursor::HandPoint);
    panel.window->Move(50, 50);
    EXPECT_EQ(panel.window->CurrentCursor(), platform::Cursor::Arrow);
}

// ---- press auto-repeat

TEST(PressAutoRepeat, RedeliversThePressEveryIntervalWhileHeldAtTheLatestPosition) {
    SkinnedPanel panel;
    auto* skin = addSkin(panel, "Repeat", {0, 0, 40, 40});
    skin->SetAutoRepeat(true);
    skin->SetRepeatInterval(100);
    panel.window->Press(5, 5);
    EXPECT_EQ(skin->presses.size(), 1u);
    panel.window->AdvanceClock(99);
    EXPECT_EQ(skin->presses.size(), 1u) << "the first repeat comes one interval after the press";
    panel.window->AdvanceClock(1);
    EXPECT_EQ(skin->presses.size(), 2u);
    panel.window->Move(30, 20);
    panel.window->AdvanceClock(100);
    ASSERT_EQ(skin->presses.size(), 3u);
    EXPECT_EQ(skin->pressPoints.back(), (std::pair<int, int>{30, 20})) << "a move refreshes the stored press";
    panel.window->AdvanceClock(250);
    EXPECT_EQ(skin->presses.size(), 5u);
    panel.window->Release(30, 20);
    panel.window->AdvanceClock(1000);
    EXPECT_EQ(skin->presses.size(), 5u) << "the release stops it";
    EXPECT_FALSE(skin->RepeatTimerRunning());
}

TEST(PressAutoRepeat, AStopRequestEndsItAtTheNextTickWithoutAnotherPress) {
    SkinnedPanel panel;
    auto* skin = addSkin(panel, "Repeat", {0, 0, 40, 40});
    skin->SetAutoRepeat(true);
    skin->SetRepeatInterval(50);
    panel.window->Press(5, 5);
    panel.window->AdvanceClock(50);
    EXPECT_EQ(skin->presses.size(), 2u);
    skin->StopRepeatAtNextTick();
    EXPECT_TRUE(skin->RepeatTimerRunning());
    panel.window->AdvanceClock(50);
    EXPECT_EQ(skin->presses.size(), 2u);
    EXPECT_FALSE(skin->RepeatTimerRunning());
    // Without auto-repeat a held button presses once.
    auto* plain = addSkin(panel, "Plain", {50, 0, 90, 40});
    panel.window->Release(5, 5);
    panel.window->Press(60, 5);
    panel.window->AdvanceClock(1000);
    EXPECT_EQ(plain->presses.size(), 1u);
}

} // namespace
