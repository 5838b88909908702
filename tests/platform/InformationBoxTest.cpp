// The information box on a private X server, driven as a user would (XTest) from the test's own
// connection while the test serves the box as the editor's idle does: where it opens and what the
// window manager is told, what it shows, how it closes, parents that are no window, and a server that
// goes away while it waits. The text's wrapping needs no display.
#include "platform/x11/InformationBox.h"
#include "platform/x11/InformationBoxPicture.h"
#include "tests/support/XvfbServer.h"

// Xlib's macros (None, Bool, Status) would break the test framework's headers: those come first.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "tests/support/DesktopUser.h"

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using platform::x11::ButtonLook;
using platform::x11::InformationBoxPicture;

const std::string kTitle = "About TMX-1";
const std::string kText = "Tollimax | TMX-1 v1.10 by Brindlow Audio, https://brindlow-audio.example/tmx-1";

// Polls until `done` holds, for up to ten seconds: far longer than a busy machine takes.
template <class Condition> bool eventually(Condition done) {
    for (int i = 0; i < 1000; ++i) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// The host's side: a top-level window with the editor's window inside it, and a box shown over the
// editor and served between the test's steps as a host's idle would serve it. The test stands in for
// the user through its own connection.
class InformationBoxOnScreen : public ::testing::Test {
  protected:
    void SetUp() override {
        testing_support::privateDisplay();
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        host = XCreateSimpleWindow(display, DefaultRootWindow(display), 200, 150, 600, 300, 0, 0, 0x101010);
        editor = XCreateSimpleWindow(display, host, 10, 20, 570, 265, 0, 0, 0x303030);
        XMapWindow(display, editor);
        XMapWindow(display, host);
        moveTo(1, 1); // off the box
    }
    void TearDown() override {
        shown.reset();
        if (display != nullptr) {
            XDestroyWindow(display, host);
            XCloseDisplay(display);
        }
    }

    // Shows the box over `parent` and serves it until it is on the screen with the keyboard. Nobody
    // has answered the box yet: a call that waited for the user would not return here, and one that
    // returned with the box closed would have waited for it.
    void show(unsigned long parent) {
        shown = platform::x11::ShowInformationBox(parent, kTitle, kText);
        ASSERT_NE(shown, nullptr);
        ASSERT_TRUE(serve()) << "showing it returns with the box open";
        ASSERT_TRUE(eventually([&] { return (box = findBox()) != 0; })) << "no window named " << kTitle;
        EXPECT_EQ(box, shown->WindowId());
        ASSERT_TRUE(eventually([&] { return focused() == box; })) << "the box takes the keyboard";
    }
    // Serves the box once, as an idle does, and tells whether it is still open. A serve that waited for
    // the user would never return from staysUp(), where the user does nothing.
    bool serve() {
        open = shown->Serve();
        return open;
    }
    // Polls until `done` holds, serving the box on each round, for up to ten seconds.
    template <class Condition> bool eventually(Condition done) {
        for (int i = 0; i < 1000; ++i) {
            if (shown)
                serve();
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // A viewable top-level window with our title.
    Window findBox() {
        const std::vector<Window> shown = testing_support::shownTopLevelsNamed(display, kTitle);
        return shown.empty() ? 0 : shown.back();
    }
    Window focused() { return testing_support::focusedWindow(display); }
    bool stackedAbove(Window upper, Window lower) { return testing_support::stackedAbove(display, upper, lower); }
    // The box is closed and gone from the screen.
    bool waitForClose() {
        return eventually([&] { return !open && findBox() == 0; });
    }
    // Stays up for a while, served all along: it waits for the user.
    bool staysUp() {
        for (int i = 0; i < 20; ++i) {
            if (!serve())
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    platform::Rect rectOnRoot(Window window) {
        XWindowAttributes attributes{};
        XGetWindowAttributes(display, window, &attributes);
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
        return {x, y, x + attributes.width, y + attributes.height};
    }
    std::vector<unsigned char> property(Window window, const char* name) {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, remaining = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1024, False,
                           AnyPropertyType, &type, &format, &items, &remaining, &data);
        const std::size_t bytes = format == 8    ? items
                                  : format == 16 ? items * sizeof(short)
                                                 : items * sizeof(long);
        std::vector<unsigned char> value(data, data + (data != nullptr ? bytes : 0));
        if (data != nullptr)
            XFree(data);
        return value;
    }
    // What the screen shows of the box, 0xRRGGBB, rows top-down.
    std::vector<std::uint32_t> pixels(const platform::Rect& rect) {
        XImage* image = XGetImage(display, box, rect.Left, rect.Top, static_cast<unsigned>(rect.Width()),
                                  static_cast<unsigned>(rect.Height()), AllPlanes, ZPixmap);
        std::vector<std::uint32_t> result;
        for (int y = 0; y < rect.Height(); ++y)
            for (int x = 0; x < rect.Width(); ++x)
                result.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xffffff);
        XDestroyImage(image);
        return result;
    }
    // The part of a composed picture that rect covers.
    static std::vector<std::uint32_t> crop(const std::vector<std::uint32_t>& picture, int width,
                                           const platform::Rect& rect) {
        std::vector<std::uint32_t> result;
        for (int y = rect.Top; y < rect.Bottom; ++y)
            for (int x = rect.Left; x < rect.Right; ++x)
                result.push_back(picture[static_cast<std::size_t>(y) * width + x]);
        return result;
    }
    // Whether the screen shows rect of the box as the picture composes it in `look`.
    bool shows(const platform::Rect& rect, const ButtonLook& look) {
        InformationBoxPicture picture(kTitle, kText);
        const std::vector<std::uint32_t> expected = crop(picture.Paint(look), picture.Width(), rect);
        return eventually([&] { return pixels(rect) == expected; });
    }

    // Input as the user gives it, at a point of the box.
    void moveTo(int x, int y) {
        XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
        XSync(display, False);
    }
    void moveInBox(int x, int y) {
        const platform::Rect at = rectOnRoot(box);
        moveTo(at.Left + x, at.Top + y);
    }
    void leftButton(bool down) {
        XTestFakeButtonEvent(display, Button1, down ? True : False, CurrentTime);
        XSync(display, False);
    }
    void press(KeySym symbol) {
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, symbol), True, CurrentTime);
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, symbol), False, CurrentTime);
        XSync(display, False);
    }
    Display* display = nullptr;
    Window host = 0;
    Window editor = 0;
    Window box = 0;
    std::unique_ptr<platform::x11::InformationBox> shown;
    bool open = true; // what the last serve() said
};

TEST_F(InformationBoxOnScreen, OpensCentredOverTheEditorAsAFixedDialogOfTheHostsWindow) {
    show(editor);
    const platform::Rect at = rectOnRoot(box);
    const platform::Rect over = rectOnRoot(editor);
    EXPECT_NEAR((at.Left + at.Right) / 2, (over.Left + over.Right) / 2, 1) << "centred over the editor";
    EXPECT_NEAR((at.Top + at.Bottom) / 2, (over.Top + over.Bottom) / 2, 1);

    const std::vector<unsigned char> name = property(box, "_NET_WM_NAME");
    EXPECT_EQ(std::string(name.begin(), name.end()), kTitle);
    Window owner = 0;
    ASSERT_NE(XGetTransientForHint(display, box, &owner), 0);
    EXPECT_EQ(owner, host) << "transient for the top-level window, not for the editor inside it";
    XSizeHints size{};
    long supplied = 0;
    ASSERT_NE(XGetWMNormalHints(display, box, &size, &supplied), 0);
    ASSERT_EQ(size.flags & (PMinSize | PMaxSize), PMinSize | PMaxSize);
    EXPECT_EQ(size.min_width, at.Width());
    EXPECT_EQ(size.max_width, at.Width());
    EXPECT_EQ(size.min_height, at.Height());
    EXPECT_EQ(size.max_height, at.Height());
    Atom* protocols = nullptr;
    int count = 0;
    ASSERT_NE(XGetWMProtocols(display, box, &protocols, &count), 0);
    EXPECT_EQ(std::vector<Atom>(protocols, protocols + count),
              std::vector<Atom>{XInternAtom(display, "WM_DELETE_WINDOW", False)});
    XFree(protocols);

    EXPECT_TRUE(staysUp()) << "it waits for the user";
    press(XK_Escape);
    EXPECT_TRUE(waitForClose());
}

TEST_F(InformationBoxOnScreen, ShowsTheTextAndAFocusedOkButtonExactlyAsComposed) {
    show(editor);
    InformationBoxPicture picture(kTitle, kText);
    const platform::Rect whole{0, 0, picture.Width(), picture.Height()};
    ASSERT_EQ(rectOnRoot(box).Width(), whole.Width());
    ASSERT_EQ(rectOnRoot(box).Height(), whole.Height());
    EXPECT_TRUE(shows(whole, {false, false, true})) << "every pixel, the focus ring included";

    // And the composition is not blank: the text has ink and the button stands out.
    const std::vector<std::uint32_t> screen = pixels(whole);
    const std::uint32_t background =
        screen[static_cast<std::size_t>(picture.Height() / 3) * whole.Width() + 10];
    const platform::Rect text{70, 40, whole.Right - 20, picture.Button().Top - 20};
    int ink = 0;
    for (std::uint32_t pixel : crop(screen, whole.Width(), text))
        ink += pixel != background ? 1 : 0;
    EXPECT_GT(ink, 400) << "two lines of text";
    const std::uint32_t face = screen[static_cast<std::size_t>(picture.Button().Top + 4) * whole.Width() +
                                      picture.Button().Left + 8];
    EXPECT_NE(face, background);
    EXPECT_NE(face, screen[static_cast<std::size_t>(picture.Button().Top + 4) * whole.Width() +
                           picture.Button().Left - 30])
        << "the button stands out from the footer";
    press(XK_Return);
    EXPECT_TRUE(waitForClose());
}

class ClosingKey : public InformationBoxOnScreen, public ::testing::WithParamInterface<KeySym> {};

TEST_P(ClosingKey, ClosesTheBox) {
    show(editor);
    press(XK_a);
    EXPECT_TRUE(staysUp()) << "other keys do nothing";
    press(GetParam());
    EXPECT_TRUE(waitForClose()) << "closed, and the window is gone";
}

INSTANTIATE_TEST_SUITE_P(EnterKeypadEnterAndEscape, ClosingKey,
                         ::testing::Values(XK_Return, XK_KP_Enter, XK_Escape));

TEST_F(InformationBoxOnScreen, OnlyAClickThatStartsAndEndsOnOkClosesItAndTheButtonShowsHoverAndPress) {
    show(editor);
    InformationBoxPicture picture(kTitle, kText);
    const platform::Rect button = picture.Button();
    const platform::Rect ring{button.Left - 4, button.Top - 4, button.Right + 4, button.Bottom + 4};
    const int middleX = (button.Left + button.Right) / 2;
    const int middleY = (button.Top + button.Bottom) / 2;

    moveInBox(100, 40);
    leftButton(true);
    leftButton(false);
    EXPECT_TRUE(staysUp()) << "a click on the text";

    moveInBox(middleX, middleY);
    EXPECT_TRUE(shows(ring, {true, false, true})) << "hover";
    leftButton(true);
    EXPECT_TRUE(shows(ring, {true, true, true})) << "pressed";
    moveInBox(middleX, button.Top - 20);
    EXPECT_TRUE(shows(ring, {false, false, true})) << "dragged off, it springs back";
    leftButton(false);
    EXPECT_TRUE(staysUp()) << "released off the button";

    moveInBox(middleX, middleY);
    leftButton(true);
    leftButton(false);
    EXPECT_TRUE(waitForClose());
}

TEST_F(InformationBoxOnScreen, TheWindowManagersCloseButtonClosesIt) {
    show(editor);
    testing_support::closeByWindowManager(display, box);
    EXPECT_TRUE(waitForClose());
}

TEST_F(InformationBoxOnScreen, BroughtForwardItComesBackAboveTheHostWithTheKeyboard) {
    show(editor);
    // The user clicked into the host: it has the keyboard and lies above the box.
    XRaiseWindow(display, host);
    XSetInputFocus(display, host, RevertToParent, CurrentTime);
    XSync(display, False);
    ASSERT_TRUE(eventually([&] { return focused() == host && !stackedAbove(box, host); }));

    shown->BringForward();
    EXPECT_TRUE(eventually([&] { return focused() == box && stackedAbove(box, host); }));
    EXPECT_EQ(findBox(), box) << "the same box, not a second one";
    press(XK_Escape);
    EXPECT_TRUE(waitForClose());
}

TEST_F(InformationBoxOnScreen, AParentThatIsNoWindowCentresItOnTheScreenWithoutEndingTheProcess) {
    show(0x1234567);
    const platform::Rect at = rectOnRoot(box);
    EXPECT_NEAR((at.Left + at.Right) / 2, DisplayWidth(display, DefaultScreen(display)) / 2, 1);
    EXPECT_NEAR((at.Top + at.Bottom) / 2, DisplayHeight(display, DefaultScreen(display)) / 2, 1);
    Window owner = 0;
    EXPECT_EQ(XGetTransientForHint(display, box, &owner), 0) << "no owner to be transient for";
    press(XK_Escape);
    EXPECT_TRUE(waitForClose());
}

TEST(InformationBoxWithoutADisplay, ReturnsAtOnceShowingNothing) {
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display != nullptr ? display : "";
    unsetenv("DISPLAY");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(platform::x11::ShowInformationBox(0, kTitle, kText), nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    if (display != nullptr)
        setenv("DISPLAY", saved.c_str(), 1);
}

// ---- the text's layout

class Wrapping : public ::testing::Test {
  protected:
    std::unique_ptr<platform::Font> font = platform::Font::Open("Arial", 13, false, false);
};

TEST_F(Wrapping, LinesBreakAtSpacesWithinTheWidthAndKeepEveryWordInOrder) {
    const std::string text = "Tollimax is a stereo peak compressor and limiter with a look-ahead, a knee and "
                             "five release characters for mixing and mastering";
    const std::vector<std::string> lines = platform::x11::WrapText(*font, text, 200);
    ASSERT_GE(lines.size(), 3u);
    std::string joined;
    for (const std::string& line : lines) {
        EXPECT_LE(font->Measure(line).width, 200) << line;
        EXPECT_FALSE(line.empty());
        joined += (joined.empty() ? "" : " ") + line;
    }
    EXPECT_EQ(joined, text);
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const std::string next = lines[i + 1].substr(0, lines[i + 1].find(' '));
        EXPECT_GT(font->Measure(lines[i] + " " + next).width, 200) << "the next word would have fitted";
    }
}

TEST_F(Wrapping, AWordWiderThanTheLineIsCutBetweenCharactersAndLineBreaksStay) {
    const std::string word = "https://brindlow-audio.example/a/very/long/address/that/cannot/fit/on/one/line";
    const std::vector<std::string> lines = platform::x11::WrapText(*font, "See\n\n" + word + " now", 150);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "See");
    EXPECT_EQ(lines[1], "") << "an empty paragraph stays";
    std::string rejoined;
    for (std::size_t i = 2; i < lines.size(); ++i) {
        EXPECT_LE(font->Measure(lines[i]).width, 150) << lines[i];
        rejoined += lines[i];
    }
    EXPECT_EQ(rejoined, word + "now") << "cut, not lost";
    EXPECT_EQ(platform::x11::WrapText(*font, "ü€ü€ü€ü€", 1).size(), 8u)
        << "at least one whole character per line, however narrow";
}

TEST(InformationBoxLayout, ALongTextIsCutSoTheButtonStaysOnASmallScreen) {
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "line " + std::to_string(i) + "\n";
    InformationBoxPicture picture(kTitle, text);
    EXPECT_LT(picture.Height(), 600);
    EXPECT_LT(picture.Button().Bottom, picture.Height());
    EXPECT_GT(picture.Button().Top, 0);
}

// The X server goes away while the box waits for the user. Xlib's own answer ends the process; the box
// closes instead. The test looks for the box from connections it closes again, so that it holds none
// to that server when it goes.
TEST(InformationBoxServerLoss, TheBoxClosesAndTheProcessLivesOn) {
    testing_support::XvfbServer server;
    const testing_support::DisplayVariable pointed(server.display());
    const std::unique_ptr<platform::x11::InformationBox> shown =
        platform::x11::ShowInformationBox(0, kTitle, kText);
    ASSERT_NE(shown, nullptr);
    const bool up = eventually([&] {
        shown->Serve();
        Display* look = XOpenDisplay(nullptr);
        const Window box = look != nullptr ? testing_support::topLevelNamed(look, kTitle) : 0;
        if (look != nullptr)
            XCloseDisplay(look);
        return box != 0;
    });
    EXPECT_TRUE(up) << "no window named " << kTitle;
    server.kill();
    EXPECT_TRUE(eventually([&] { return !shown->Serve(); }));
    shown->BringForward(); // asks nothing of the gone server
    EXPECT_FALSE(shown->Serve());
}

} // namespace
