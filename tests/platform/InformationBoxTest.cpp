// The information box on a private X server, driven as a user would (XTest) from the test's own
// connection while the box blocks a thread of its own: where it opens and what the window manager is
// told, what it shows, how it closes, parents that are no window, and a server that goes away while
// it waits. The text's wrapping needs no display.
#include "platform/x11/InformationBox.h"
#include "platform/MessageBox.h"
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

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using platform::x11::ButtonLook;
using platform::x11::InformationBoxPicture;

const std::string kTitle = "About TMX-1";
const std::string kText = "Tollimax | TMX-1 v1.10 by Brindlow Audio, https://brindlow-audio.example/tmx-1";

// Polls until `done` holds, for up to three seconds.
template <class Condition> bool eventually(Condition done) {
    for (int i = 0; i < 300; ++i) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// The host's side: a top-level window with the editor's window inside it, and a box shown over the
// editor on a thread of its own. The test stands in for the user through its own connection.
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
        if (shown.joinable()) {
            if (!returned)
                testing_support::closeByWindowManager(display, box); // the test failed with the box still up
            shown.join();
        }
        if (display != nullptr) {
            XDestroyWindow(display, host);
            XCloseDisplay(display);
        }
    }

    void* editorHandle() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(editor)); }

    // Shows the box over `parent` and waits until it is on the screen with the keyboard.
    void show(void* parent) {
        shown = std::thread([this, parent] {
            platform::ShowInformation(parent, kTitle, kText);
            returned = true;
        });
        ASSERT_TRUE(eventually([&] { return (box = findBox()) != 0; })) << "no window named " << kTitle;
        ASSERT_TRUE(eventually([&] { return focused() == box; })) << "the box takes the keyboard";
    }

    // A viewable top-level window with our title.
    Window findBox() {
        const Window found = testing_support::topLevelNamed(display, kTitle);
        XWindowAttributes attributes{};
        return found != 0 && XGetWindowAttributes(display, found, &attributes) != 0 &&
                       attributes.map_state == IsViewable
                   ? found
                   : 0;
    }
    Window focused() {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display, &focus, &revert);
        return focus;
    }
    bool waitForReturn() {
        return eventually([&] { return returned.load(); });
    }
    // Stays up for a while: it waits for the user.
    bool staysUp() {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return !returned;
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
    std::thread shown;
    std::atomic<bool> returned{false};
};

TEST_F(InformationBoxOnScreen, OpensCentredOverTheEditorAsAFixedDialogOfTheHostsWindow) {
    show(editorHandle());
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

    EXPECT_TRUE(staysUp()) << "the call waits for the user";
    press(XK_Escape);
    EXPECT_TRUE(waitForReturn());
}

TEST_F(InformationBoxOnScreen, ShowsTheTextAndAFocusedOkButtonExactlyAsComposed) {
    show(editorHandle());
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
    EXPECT_TRUE(waitForReturn());
}

class ClosingKey : public InformationBoxOnScreen, public ::testing::WithParamInterface<KeySym> {};

TEST_P(ClosingKey, ClosesTheBoxAndTheCallReturns) {
    show(editorHandle());
    press(XK_a);
    EXPECT_TRUE(staysUp()) << "other keys do nothing";
    press(GetParam());
    EXPECT_TRUE(waitForReturn());
    EXPECT_EQ(findBox(), 0u) << "the window is gone";
}

INSTANTIATE_TEST_SUITE_P(EnterKeypadEnterAndEscape, ClosingKey,
                         ::testing::Values(XK_Return, XK_KP_Enter, XK_Escape));

TEST_F(InformationBoxOnScreen, OnlyAClickThatStartsAndEndsOnOkClosesItAndTheButtonShowsHoverAndPress) {
    show(editorHandle());
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
    EXPECT_TRUE(waitForReturn());
}

TEST_F(InformationBoxOnScreen, TheWindowManagersCloseButtonClosesIt) {
    show(editorHandle());
    testing_support::closeByWindowManager(display, box);
    EXPECT_TRUE(waitForReturn());
}

TEST_F(InformationBoxOnScreen, AParentThatIsNoWindowCentresItOnTheScreenWithoutEndingTheProcess) {
    show(reinterpret_cast<void*>(std::uintptr_t{0x1234567}));
    const platform::Rect at = rectOnRoot(box);
    EXPECT_NEAR((at.Left + at.Right) / 2, DisplayWidth(display, DefaultScreen(display)) / 2, 1);
    EXPECT_NEAR((at.Top + at.Bottom) / 2, DisplayHeight(display, DefaultScreen(display)) / 2, 1);
    Window owner = 0;
    EXPECT_EQ(XGetTransientForHint(display, box, &owner), 0) << "no owner to be transient for";
    press(XK_Escape);
    EXPECT_TRUE(waitForReturn());
}

TEST(InformationBoxWithoutADisplay, ReturnsAtOnceShowingNothing) {
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display != nullptr ? display : "";
    unsetenv("DISPLAY");
    const auto start = std::chrono::steady_clock::now();
    platform::x11::ShowInformationBox(0, kTitle, kText);
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
// returns instead, as if closed. The test looks for the box from connections it closes again, so that
// it holds none to that server when it goes.
TEST(InformationBoxServerLoss, TheBoxReturnsAndTheProcessLivesOn) {
    testing_support::XvfbServer server;
    const testing_support::DisplayVariable pointed(server.display());
    std::atomic<bool> returned{false};
    std::thread shown([&returned] {
        platform::x11::ShowInformationBox(0, kTitle, kText);
        returned = true;
    });
    const bool up = eventually([] {
        Display* look = XOpenDisplay(nullptr);
        const Window box = look != nullptr ? testing_support::topLevelNamed(look, kTitle) : 0;
        if (look != nullptr)
            XCloseDisplay(look);
        return box != 0;
    });
    EXPECT_TRUE(up) << "no window named " << kTitle;
    server.kill();
    EXPECT_TRUE(eventually([&returned] { return returned.load(); }));
    if (returned)
        shown.join();
    else
        shown.detach(); // still waiting on a server that is gone: nothing to join
}

} // namespace
