// `tmx1-host editor`: the built plug-in's editor in a window of the host's own on a private X server,
// with the demo playing at real-time pace, stopped by time, by the window manager's close button and
// by Ctrl+C; plug-ins and command lines it refuses. The tests wait for what the user would see (the
// window, the panel painted, the meters lit) rather than for a fixed time.
#include "tests/support/XvfbServer.h"
#include "tests/tools/HostProcess.h"

#include "toolkit/PictureFile.h"

// Xlib's macros (None, Bool, Status) would break the test framework's headers: those come first.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include "tests/support/DesktopUser.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/ShownPanel.h"
#include "tests/support/UserSettingsSandbox.h"
#include "tests/tools/JackRig.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <thread>

namespace {

using namespace testing_support;

const std::string kTitle = "TMX-1 \xe2\x80\x94 Brindlow Audio";

// What the host says when it stops.
struct Summary {
    std::string reason;
    double seconds = 0.0;
    int blocks = 0;
    int idles = 0;
};

std::optional<Summary> summaryOf(const std::string& output) {
    static const std::regex line(
        R"(stopped, ([a-z ]+), after ([0-9.]+) s: ([0-9]+) blocks of 512 frames played, )"
        R"(([0-9]+) editor idles)");
    std::smatch match;
    if (!std::regex_search(output, match, line))
        return std::nullopt;
    return Summary{match[1], std::stod(match[2]), std::stoi(match[3]), std::stoi(match[4])};
}

// A real-time host plays 44100 / 512 blocks and idles its editor 30 times per second, and never
// faster (the reported time is rounded to a tenth). A busy machine may well make either come slower:
// below the pace only a tenth of it, a stall, is a fault.
void expectRealTimePace(const Summary& summary) {
    const double blocks = summary.seconds * 44100 / 512;
    const double idles = summary.seconds * 30;
    EXPECT_LE(summary.blocks, blocks + 12) << "no more blocks than a sound card asks for";
    EXPECT_GT(summary.blocks, blocks / 10) << "the blocks went on";
    EXPECT_LE(summary.idles, idles + 6) << "no more idles than a DAW's rate";
    EXPECT_GT(summary.idles, idles / 10) << "the idles went on";
}

TEST(EditorCommand, RunsForTheGivenTimeWithTheAudioAtRealTimePace) {
    privateDisplay();
    const HostRun run = runHost("editor --seconds 1 --program \"Maximum Loudness\"");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("showing " + kTitle), std::string::npos) << run.output;
    const std::optional<Summary> summary = summaryOf(run.output);
    ASSERT_TRUE(summary) << run.output;
    EXPECT_EQ(summary->reason, "time is up");
    EXPECT_GE(summary->seconds, 1.0);
    EXPECT_LT(summary->seconds, 2.0) << "it stops once the time is up, a late idle at most after it";
    expectRealTimePace(*summary);
}

// The desktop's side: finds the host's window and looks into it as the user would. The host replaces
// or destroys its windows whenever it likes, also between two requests of ours about one of them: a
// request about a gone window fails, and is asked again, instead of ending the test program as Xlib's
// own handler would.
class EditorOnScreen : public ::testing::Test {
  protected:
    void SetUp() override {
        privateDisplay();
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        previousHandler = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    void TearDown() override {
        if (display != nullptr)
            XCloseDisplay(display);
        XSetErrorHandler(previousHandler);
    }

    // Polls until `done` holds, for up to twenty seconds: far longer than a busy machine takes.
    template <class Condition> static bool eventually(Condition done) {
        for (int i = 0; i < 2000; ++i) {
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    // The host's window once it holds the editor.
    Window findHostWindow() {
        Window found = 0;
        eventually([&] {
            found = topLevelNamed(display, kTitle);
            return found != 0 && !childrenOf(display, found).empty();
        });
        return found;
    }
    // Whether the editor comes to show the committed picture left of the over-compression LED and the
    // meters, where nothing moves while the demo plays: it has painted.
    bool painted(Window editor, const toolkit::TPictureData& panel, int percent) {
        return eventually([&] {
            return clearDifferences(shownBy(display, editor, panel.width, panel.height), panel,
                                    2 * percent) <= pictureTolerance(percent);
        });
    }
    // Whether the painted panel's input meters come to light: blocks of the demo were played.
    bool inputMetersLight(Window editor) {
        return painted(editor, quietPanel(), 100) &&
               eventually([&] { return differencesFromTheQuietPanel(editor, 407, 100, 430, 220) > 100; });
    }
    static const toolkit::TPictureData& quietPanel() {
        static const toolkit::TPictureData panel =
            toolkit::LoadPictureFile(TESTS_SOURCE_DIR "/editor/panel.png");
        return panel;
    }
    // Pixels of the window that differ from the committed picture of the quiet panel inside rect.
    int differencesFromTheQuietPanel(Window window, int left, int top, int right, int bottom) {
        const toolkit::TPictureData& panel = quietPanel();
        XImage* image = XGetImage(display, window, left, top, static_cast<unsigned>(right - left),
                                  static_cast<unsigned>(bottom - top), AllPlanes, ZPixmap);
        if (image == nullptr)
            return 0;
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) {
                const std::uint32_t quiet =
                    panel.pixels[static_cast<std::size_t>(panel.height - 1 - y) * panel.width + x] & 0xffffff;
                count += (XGetPixel(image, x - left, y - top) & 0xffffff) != quiet ? 1 : 0;
            }
        XDestroyImage(image);
        return count;
    }
    // "EDITOR_WxH in HOST_WxH": the one editor window inside the host's window and the host's window.
    std::string sizes(Window host) {
        const auto size = [this](Window window) {
            XWindowAttributes attributes{};
            XGetWindowAttributes(display, window, &attributes);
            return std::to_string(attributes.width) + "x" + std::to_string(attributes.height);
        };
        const std::vector<Window> inside = childrenOf(display, host);
        return (inside.size() == 1 ? size(inside[0]) : std::to_string(inside.size()) + " windows") + " in " +
               size(host);
    }
    // sizes(host) once it is what is expected, or when polling gives up.
    std::string settledSizes(Window host, const std::string& expected) {
        std::string seen;
        eventually([&] { return (seen = sizes(host)) == expected; });
        return seen;
    }
    Display* display = nullptr;
    XErrorHandler previousHandler = nullptr;
};

TEST_F(EditorOnScreen, TheEditorFillsTheHostsWindowItsMetersMoveAndClosingTheWindowStopsIt) {
    StartedHost started("editor --seconds 20");
    const Window host = findHostWindow();
    ASSERT_NE(host, 0u) << "no window named " << kTitle;
    EXPECT_EQ(sizes(host), "570x265 in 570x265") << "the window is the editor's size";
    const std::vector<Window> inside = childrenOf(display, host);
    ASSERT_EQ(inside.size(), 1u);

    EXPECT_TRUE(inputMetersLight(inside[0])) << "the demo plays through the effect";

    closeByWindowManager(display, host);
    const HostRun run = started.finish();
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const std::optional<Summary> summary = summaryOf(run.output);
    ASSERT_TRUE(summary) << run.output;
    EXPECT_EQ(summary->reason, "the window was closed") << "not the 20 s running out";
    expectRealTimePace(*summary);
    EXPECT_EQ(topLevelNamed(display, kTitle), 0u) << "the window is gone";
}

// Ctrl+C once the meters show that blocks were played.
TEST_F(EditorOnScreen, CtrlCStopsItCleanly) {
    StartedHost started("editor");
    const Window host = findHostWindow();
    ASSERT_NE(host, 0u) << "no window named " << kTitle;
    EXPECT_TRUE(inputMetersLight(childrenOf(display, host).at(0)));
    started.signal(SIGINT);
    const HostRun run = started.finish();
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const std::optional<Summary> summary = summaryOf(run.output);
    ASSERT_TRUE(summary) << run.output;
    EXPECT_EQ(summary->reason, "interrupted");
    EXPECT_GT(summary->blocks, 0);
}

// INFO's box waits for the user, but the host does not wait for the box: its idles go on at a DAW's
// rate, and Ctrl+C ends it as usual, box and all.
TEST_F(EditorOnScreen, WithTheInformationBoxOpenTheHostGoesOnIdlingAndCtrlCEndsIt) {
    StartedHost started("editor");
    const Window host = findHostWindow();
    ASSERT_NE(host, 0u) << "no window named " << kTitle;
    ASSERT_TRUE(painted(childrenOf(display, host).at(0), quietPanel(), 100))
        << "it takes clicks once painted";
    XWindowAttributes at{};
    XGetWindowAttributes(display, host, &at);
    XTestFakeMotionEvent(display, -1, at.x + 533, at.y + 30, CurrentTime); // INFO
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
    EXPECT_TRUE(eventually([&] { return topLevelNamed(display, "TMX-1") != 0; })) << "INFO shows its box";
    // Long enough with the box up that idles missing meanwhile would break the pace.
    std::this_thread::sleep_for(std::chrono::seconds(1));

    started.signal(SIGINT);
    const HostRun run = started.finish();
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const std::optional<Summary> summary = summaryOf(run.output);
    ASSERT_TRUE(summary) << run.output;
    EXPECT_EQ(summary->reason, "interrupted");
    expectRealTimePace(*summary); // the idles went on while the box was up
    EXPECT_EQ(topLevelNamed(display, "TMX-1"), 0u) << "the box went with the editor";
}

TEST_F(EditorOnScreen, AtZoom200TheWindowIsTwiceTheSizeAndShowsTheZoomedPanel) {
    StartedHost started("editor --seconds 20 --zoom 200");
    const Window host = findHostWindow();
    ASSERT_NE(host, 0u) << "no window named " << kTitle;
    EXPECT_EQ(sizes(host), "1140x530 in 1140x530") << "the window is the zoomed editor's size";
    const std::vector<Window> inside = childrenOf(display, host);
    ASSERT_EQ(inside.size(), 1u);

    const toolkit::TPictureData panel = toolkit::LoadPictureFile(TESTS_SOURCE_DIR "/editor/panel-200.png");
    EXPECT_TRUE(painted(inside[0], panel, 200)) << "the zoomed panel";

    closeByWindowManager(display, host);
    const HostRun run = started.finish();
    EXPECT_EQ(run.exitCode, 0) << run.output;
}

// The zoom menu worked with the pointer in the host's window: the host's window takes the size the
// editor asks for, and the choice is remembered in the user's settings (a folder of the test's own, with no presets).
TEST_F(EditorOnScreen, TheZoomMenuResizesTheHostsWindow) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tmx1-host-editor-zoom";
    std::filesystem::remove_all(folder);
    const ScopedEnvironment userConfig("XDG_CONFIG_HOME", folder.string());
    const ScopedEnvironment userData("XDG_DATA_HOME", (folder / "data").string()); // no presets listed
    StartedHost started("editor --seconds 20 --zoom 100");
    const Window host = findHostWindow();
    ASSERT_NE(host, 0u) << "no window named " << kTitle;
    const Window editor = childrenOf(display, host).at(0);
    XWindowAttributes at{};
    XGetWindowAttributes(display, host, &at);
    ASSERT_EQ(at.width, 570);
    const auto clickAt = [&](int x, int y, unsigned button) {
        XTestFakeMotionEvent(display, -1, at.x + x, at.y + y, CurrentTime);
        XTestFakeButtonEvent(display, button, True, CurrentTime);
        XTestFakeButtonEvent(display, button, False, CurrentTime);
        XSync(display, False);
    };
    // Left of the over-compression LED the panel stays still while the demo plays: only the menu
    // changes it there.
    ASSERT_TRUE(painted(editor, quietPanel(), 100));
    const Shown before = shownBy(display, editor, 200, 265);
    clickAt(40, 40, 3);
    ShownArea menu;
    ASSERT_TRUE(eventually([&] {
        return (menu = changedArea(before, shownBy(display, editor, 200, 265))).height() > 30;
    })) << "the right click drew no menu";
    const auto [x, y] = menuEntryCentre(menu, 2);
    clickAt(x, y, 1);

    EXPECT_EQ(settledSizes(host, "1140x530 in 1140x530"), "1140x530 in 1140x530");
    std::stringstream settings;
    settings << std::ifstream(folder / "Brindlow Audio" / "TMX-1.conf").rdbuf();
    EXPECT_NE(settings.str().find("Zoom=200"), std::string::npos) << settings.str();

    closeByWindowManager(display, host);
    EXPECT_EQ(started.finish().exitCode, 0);
    std::filesystem::remove_all(folder);
}

// `live` shows the same panel in the same window; its meters move with what a JACK client plays into it,
// and closing the window stops it.
TEST_F(EditorOnScreen, LiveShowsThePanelWhoseMetersMoveWithWhatJackPlaysIntoIt) {
    const UserSettingsSandbox settings("live-window"); // what it keeps at the end stays out of the user's
    const DummyJackServer server(48000, 256);
    ASSERT_TRUE(server.running()) << server.whyNot();
    StartedHost started("live --seconds 60");
    const Window host = findHostWindow();
    ASSERT_NE(host, 0u) << "no window named " << kTitle;
    EXPECT_EQ(sizes(host), "570x265 in 570x265") << "the window is the editor's size";
    const Window editor = childrenOf(display, host).at(0);
    ASSERT_TRUE(painted(editor, quietPanel(), 100));
    EXPECT_LT(differencesFromTheQuietPanel(editor, 407, 100, 430, 220), 100) << "unlit while nothing plays";

    std::vector<float> tone(48000 * 30);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = 0.5f * static_cast<float>(std::sin(0.05 * static_cast<double>(i)));
    JackLoopback loop("TMX-1");
    ASSERT_TRUE(loop.connected());
    ASSERT_TRUE(loop.startPlaying(tone, tone, 256));
    EXPECT_TRUE(inputMetersLight(editor)) << "what JACK plays reaches the effect";

    closeByWindowManager(display, host);
    const HostRun run = started.finish();
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("stopped, the window was closed"), std::string::npos) << run.output;
}

TEST(EditorCommand, APlugInWithoutAnEditorOrAProgramItLacksIsRefusedInOneLine) {
    privateDisplay();
    HostRun run = runHost("editor --seconds 1 --plugin " FIXTURE_DELAY);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(lineCount(run.output), 1) << run.output;
    EXPECT_NE(run.output.find("no editor"), std::string::npos) << run.output;

    run = runHost("editor --seconds 1 --program \"No Such Program\"");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(lineCount(run.output), 1) << run.output;

    for (const char* zoom : {"125", "0", "2", "200%"}) {
        run = runHost(std::string("editor --seconds 1 --zoom ") + zoom);
        EXPECT_EQ(run.exitCode, 1) << zoom;
        EXPECT_EQ(lineCount(run.output), 1) << run.output;
        EXPECT_NE(run.output.find("--zoom"), std::string::npos) << run.output;
    }
}

TEST(EditorCommand, WrongUsageAndNoDisplayAreReported) {
    HostRun run = runHost("editor --seconds 0");
    EXPECT_EQ(run.exitCode, 2) << run.output;
    run = runHost("editor extra");
    EXPECT_EQ(run.exitCode, 2) << run.output;

    const char* display = std::getenv("DISPLAY");
    const std::string saved = display != nullptr ? display : "";
    unsetenv("DISPLAY");
    run = runHost("editor --seconds 1");
    if (display != nullptr)
        setenv("DISPLAY", saved.c_str(), 1);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(lineCount(run.output), 1) << run.output;
    EXPECT_NE(run.output.find("X server"), std::string::npos) << run.output;
}

} // namespace
