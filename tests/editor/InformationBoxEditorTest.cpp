// The information box that INFO opens over the built plug-in's editor in a real X server: it is modal
// to the panel only. The host's idle returns at once and stays prompt while the box is up, the panel
// takes no input meanwhile, the box closes as a user closes it, and closing the editor or the effect
// takes it along, leaving nothing on the server and no connection open.
#include "platform/x11/InformationBoxPicture.h"
#include "tests/editor/X11EditorFixture.h"
#include "tests/support/DesktopUser.h"

#include <X11/keysym.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace {

using testing_support::openDescriptors;

const std::string kBoxTitle = "TMX-1";
const std::string kBoxText = "Tollimax | TMX-1 v1.10 by Brindlow Audio, https://brindlow-audio.example/tmx-1";
constexpr int kAutoGain = 6;
// Centres of the panel's hotspots and switches, in the editor's own pixels.
constexpr int kInfoX = 533, kInfoY = 30;
constexpr int kAutoGainX = 339, kAutoGainY = 172;

class InformationBoxOverTheEditor : public testing_support::X11Editor {
  protected:
    void click(int x, int y) {
        pointer(x, y);
        button(true);
        button(false);
    }
    void press(KeySym symbol) {
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, symbol), True, CurrentTime);
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, symbol), False, CurrentTime);
        XSync(display, False);
    }

    std::vector<Window> boxes() { return testing_support::shownTopLevelsNamed(display, kBoxTitle); }
    Window focused() { return testing_support::focusedWindow(display); }
    bool stackedAbove(Window upper, Window lower) { return testing_support::stackedAbove(display, upper, lower); }

    // INFO clicked; the box is up with the keyboard. Nobody answers it here: an idle that waited for
    // the user would never return.
    Window openBox() {
        idleFor(50);
        click(kInfoX, kInfoY);
        Window box = 0;
        EXPECT_TRUE(idleUntil([&] {
            const std::vector<Window> shown = boxes();
            box = shown.size() == 1 ? shown[0] : 0;
            return box != 0 && focused() == box;
        })) << "one box, with the keyboard";
        return box;
    }
    bool boxGone() {
        return idleUntil([&] { return boxes().empty(); });
    }
    // What a host sent to automation for the index since the requests were last cleared.
    bool automated(int index) {
        for (const host::HostRequest& request : host.requests())
            if (request.opcode == vst::audioMasterAutomate && request.index == index)
                return true;
        return false;
    }
};

TEST_F(InformationBoxOverTheEditor, TheHostsIdleStaysPromptAndThePanelIgnoresClicksUntilTheBoxIsClosed) {
    open();
    // The idles returned, the one that took the click among them, while the box is still up.
    const Window box = openBox();
    ASSERT_NE(box, 0u);
    idleFor(300);
    EXPECT_EQ(boxes(), std::vector<Window>{box}) << "idles go on while the box waits for the user";

    // The user clicks the Auto-Gain switch, the host meanwhile lying over the box.
    const float autoGain = plugin->getParameter(kAutoGain);
    XRaiseWindow(display, parent);
    XSync(display, False);
    host.clearRequests();
    click(kAutoGainX, kAutoGainY);
    EXPECT_TRUE(idleUntil([&] { return stackedAbove(box, parent); })) << "the click brought the box forward";
    EXPECT_EQ(plugin->getParameter(kAutoGain), autoGain) << "the switch did not react";
    EXPECT_FALSE(automated(kAutoGain));

    press(XK_Escape);
    ASSERT_TRUE(boxGone());
    click(kAutoGainX, kAutoGainY);
    EXPECT_TRUE(idleUntil([&] { return plugin->getParameter(kAutoGain) != autoGain; }))
        << "with the box closed, the same click switches";
    EXPECT_TRUE(automated(kAutoGain));
}

TEST_F(InformationBoxOverTheEditor, ASecondInfoClickBringsTheOpenBoxForward) {
    open();
    const Window box = openBox();
    ASSERT_NE(box, 0u);
    XRaiseWindow(display, parent);
    XSetInputFocus(display, parent, RevertToParent, CurrentTime);
    XSync(display, False);
    click(kInfoX, kInfoY);
    EXPECT_TRUE(idleUntil([&] { return stackedAbove(box, parent) && focused() == box; }));
    idleFor(100);
    EXPECT_EQ(boxes(), std::vector<Window>{box}) << "no second box";
    press(XK_Return);
    EXPECT_TRUE(boxGone());
}

enum class Closer { enter, escape, okButton, windowManager };

class ClosingTheBox : public InformationBoxOverTheEditor, public ::testing::WithParamInterface<Closer> {};

TEST_P(ClosingTheBox, ClosesItAndThePanelListensAgain) {
    open();
    const Window box = openBox();
    ASSERT_NE(box, 0u);
    switch (GetParam()) {
    case Closer::enter:
        press(XK_Return);
        break;
    case Closer::escape:
        press(XK_Escape);
        break;
    case Closer::okButton: {
        const platform::x11::InformationBoxPicture picture(kBoxTitle, kBoxText);
        XWindowAttributes at{};
        XGetWindowAttributes(display, box, &at);
        ASSERT_EQ(at.width, picture.Width());
        const platform::Rect ok = picture.Button();
        XTestFakeMotionEvent(display, -1, at.x + (ok.Left + ok.Right) / 2, at.y + (ok.Top + ok.Bottom) / 2,
                             CurrentTime);
        button(true);
        button(false);
        break;
    }
    case Closer::windowManager:
        testing_support::closeByWindowManager(display, box);
        break;
    }
    EXPECT_TRUE(boxGone());
    const std::vector<Window> topLevels = testing_support::childrenOf(display, DefaultRootWindow(display));
    EXPECT_EQ(std::find(topLevels.begin(), topLevels.end(), box), topLevels.end()) << "destroyed, not just hidden";

    const float autoGain = plugin->getParameter(kAutoGain);
    click(kAutoGainX, kAutoGainY);
    EXPECT_TRUE(idleUntil([&] { return plugin->getParameter(kAutoGain) != autoGain; }));
}

const char* nameOf(Closer closer) {
    static const char* const names[] = {"Enter", "Escape", "OkButton", "WindowManager"};
    return names[static_cast<int>(closer)];
}
void PrintTo(Closer closer, std::ostream* out) { *out << nameOf(closer); }
std::string closerName(const ::testing::TestParamInfo<Closer>& info) { return nameOf(info.param); }

INSTANTIATE_TEST_SUITE_P(By, ClosingTheBox,
                         ::testing::Values(Closer::enter, Closer::escape, Closer::okButton, Closer::windowManager),
                         closerName);

TEST_F(InformationBoxOverTheEditor, ClosingTheEditorWithTheBoxOpenTakesTheBoxAlong) {
    const std::size_t descriptors = openDescriptors();
    open();
    ASSERT_NE(openBox(), 0u);
    EXPECT_EQ(plugin->dispatch(vst::effEditClose), 0);
    XSync(display, False);
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(testing_support::childrenOf(display, parent).empty()) << "the editor's window is gone too";
    EXPECT_EQ(openDescriptors(), descriptors) << "a connection was left open";

    open(); // and the editor opens again as before
    idleFor(50);
    EXPECT_EQ(testing_support::childrenOf(display, parent).size(), 1u);
}

TEST_F(InformationBoxOverTheEditor, ClosingTheEffectWithTheBoxOpenLeavesNothing) {
    const std::size_t topLevels = testing_support::childrenOf(display, DefaultRootWindow(display)).size();
    open();
    ASSERT_NE(openBox(), 0u);
    plugin.reset(); // the host takes the plug-in out without closing its editor first
    XSync(display, False);
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(testing_support::childrenOf(display, parent).empty());
    EXPECT_EQ(testing_support::childrenOf(display, DefaultRootWindow(display)).size(), topLevels);
}

TEST_F(InformationBoxOverTheEditor, TwentyOpeningsAndClosingsLeaveNoConnectionBehind) {
    open();
    idleFor(50);
    const std::size_t descriptors = openDescriptors();
    for (int i = 0; i < 20; ++i) {
        ASSERT_NE(openBox(), 0u) << "opening " << i;
        press(i % 2 == 0 ? XK_Escape : XK_Return);
        ASSERT_TRUE(boxGone()) << "closing " << i;
    }
    EXPECT_EQ(openDescriptors(), descriptors);
}

} // namespace
