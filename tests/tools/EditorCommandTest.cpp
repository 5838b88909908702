// `tmx1-host editor`: the built plug-in's editor in a window of the host's own on a private X server,
// with the demo playing at real-time pace, stopped by time, by the window manager's close button and
// by Ctrl+C; plug-ins and command lines it refuses.
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

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <future>
#include <optional>
#include <regex>
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

// A real-time host plays 44100 / 512 blocks and idles its editor 30 times per second, give or take
// what a busy test machine delays.
void expectRealTimePace(const Summary& summary) {
    EXPECT_NEAR(summary.blocks, summary.seconds * 44100 / 512, 12) << "blocks as a sound card asks for them";
    EXPECT_NEAR(summary.idles, summary.seconds * 30, 6) << "idles at a DAW's rate";
}

TEST(EditorCommand, RunsForTheGivenTimeWithTheAudioAtRealTimePace) {
    privateDisplay();
    const auto start = std::chrono::steady_clock::now();
    const HostRun run = runHost("editor --seconds 1 --program \"Maximum Loudness\"");
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("showing " + kTitle), std::string::npos) << run.output;
    const std::optional<Summary> summary = summaryOf(run.output);
    ASSERT_TRUE(summary) << run.output;
    EXPECT_EQ(summary->reason, "time is up");
    EXPECT_NEAR(summary->seconds, 1.0, 0.1);
    expectRealTimePace(*summary);
    EXPECT_LT(took, 4.0);
}

// The desktop's side: finds the host's window and looks into it as the user would.
class EditorOnScreen : public ::testing::Test {
  protected:
    void SetUp() override {
        privateDisplay();
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
    }
    void TearDown() override {
        if (display != nullptr)
            XCloseDisplay(display);
    }

    // The host's window once it holds the editor, within a few seconds.
    Window findHostWindow() {
        for (int i = 0; i < 300; ++i) {
            if (const Window found = topLevelNamed(display, kTitle);
                found != 0 && !childrenOf(display, found).empty())
                return found;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return 0;
    }
    // Pixels of the window that differ from the committed picture of the quiet panel inside rect.
    int differencesFromTheQuietPanel(Window window, int left, int top, int right, int bottom) {
        static const toolkit::TPictureData panel =
            toolkit::LoadPictureFile(TESTS_SOURCE_DIR "/editor/panel.png");
        XImage* image = XGetImage(display, window, left, top, static_cast<unsigned>(right - left),
                                  static_cast<unsigned>(bottom - top), AllPlanes, ZPixmap);
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
    // sizes(host) once it is what is expected, or after two seconds.
    std::string settledSizes(Window host, const std::string& expected) {
        std::string seen = sizes(host);
        for (int i = 0; i < 200 && seen != expected; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            seen = sizes(host);
        }
        return seen;
    }
    // What the host said once it stopped, or exit code -1 when it goes on running.
    static HostRun finished(std::future<HostRun>& running) {
        if (running.wait_for(std::chrono::seconds(5)) != std::future_status::ready)
            return {-1, "still running"};
        return running.get();
    }
    Display* display = nullptr;
};

TEST_F(EditorOnScreen, TheEditorFillsTheHostsWindowItsMetersMoveAndClosingTheWindowStopsIt) {
    std::future<HostRun> running =
        std::async(std::launch::async, [] { return runHost("editor --seconds 20"); });
    const Window host = findHostWindow();
    ASSERT_NE(host, 0u) << "no window named " << kTitle;
    EXPECT_EQ(sizes(host), "570x265 in 570x265") << "the window is the editor's size";
    const std::vector<Window> inside = childrenOf(display, host);
    ASSERT_EQ(inside.size(), 1u);

    // The input meters light while the demo plays through the effect.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_GT(differencesFromTheQuietPanel(inside[0], 407, 100, 430, 220), 100);

    closeByWindowManager(display, host);
    ASSERT_EQ(running.wait_for(std::chrono::seconds(5)), std::future_status::ready) << "still running";
    const HostRun run = running.get();
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const std::optional<Summary> summary = summaryOf(run.output);
    ASSERT_TRUE(summary) << run.output;
    EXPECT_EQ(summary->reason, "the window was closed");
    EXPECT_LT(summary->seconds, 5.0);
    expectRealTimePace(*summary);
    EXPECT_EQ(topLevelNamed(display, kTitle), 0u) << "the window is gone";
}

TEST(EditorCommand, CtrlCStopsItCleanly) {
    privateDisplay();
    const HostRun run = runHostSignalled("editor", "INT", 0.8);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const std::optional<Summary> summary = summaryOf(run.output);
    ASSERT_TRUE(summary) << run.output;
    EXPECT_EQ(summary->reason, "interrupted");
    EXPECT_GT(summary->blocks, 0);
}

// INFO's box waits for the user, but the host does not wait for the box: its idles go on at a DAW's
// rate, and Ctrl+C ends it as usual, box and all.
TEST_F(EditorOnScreen, WithTheInformationBoxOpenTheHostGoesOnIdlingAndCtrlCEndsIt) {
    std::future<HostRun> running =
        std::async(std::launch::async, [] { return runHostSignalled("editor", "INT", 3.0); });
    const Window host = findHostWindow();
    ASSERT_NE(host, 0u) << "no window named " << kTitle;
    XWindowAttributes at{};
    XGetWindowAttributes(display, host, &at);
    XTestFakeMotionEvent(display, -1, at.x + 533, at.y + 30, CurrentTime); // INFO
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
    Window box = 0;
    for (int i = 0; i < 200 && box == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        box = topLevelNamed(display, "TMX-1");
    }
    EXPECT_NE(box, 0u) << "INFO shows its box";

    ASSERT_EQ(running.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "still running";
    const HostRun run = running.get();
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const std::optional<Summary> summary = summaryOf(run.output);
    ASSERT_TRUE(summary) << run.output;
    EXPECT_EQ(summary->reason, "interrupted");
    expectRealTimePace(*summary); // the idles went on while the box was up
    EXPECT_EQ(topLevelNamed(display, "TMX-1"), 0u) << "the box went with the editor";
}

TEST_F(EditorOnScreen, AtZoom200TheWindowIsTwiceTheSizeAndShowsTheZoomedPanel) {
    std::future<HostRun> running =
        std::async(std::launch::async, [] { return runHost("editor --seconds 20 --zoom 200"); });
    const Window host = findHostWindow();
    ASSERT_NE(host, 0u) << "no window named " << kTitle;
    EXPECT_EQ(sizes(host), "1140x530 in 1140x530") << "the window is the zoomed editor's size";
    const std::vector<Window> inside = childrenOf(display, host);
    ASSERT_EQ(inside.size(), 1u);

    // Left of the over-compression LED and the meters nothing moves while the demo plays.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const toolkit::TPictureData panel = toolkit::LoadPictureFile(TESTS_SOURCE_DIR "/editor/panel-200.png");
    EXPECT_LE(clearDifferences(shownBy(display, inside[0], 1140, 530), panel, 400), pictureTolerance(200));

    closeByWindowManager(display, host);
    const HostRun run = finished(running);
    EXPECT_EQ(run.exitCode, 0) << run.output;
}

// The zoom menu worked with the pointer in the host's window: the host's window takes the size the
// editor asks for, and the choice is remembered in the user's settings (a folder of the test's own).
TEST_F(EditorOnScreen, TheZoomMenuResizesTheHostsWindow) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tmx1-host-editor-zoom";
    std::filesystem::remove_all(folder);
    const ScopedEnvironment userConfig("XDG_CONFIG_HOME", folder.string());
    std::future<HostRun> running =
        std::async(std::launch::async, [] { return runHost("editor --seconds 20 --zoom 100"); });
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
        std::this_thread::sleep_for(std::chrono::milliseconds(200)); // a few of the host's idles
    };
    // Left of the over-compression LED the panel stays still while the demo plays: only the menu
    // changes it there.
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // painted
    const Shown before = shownBy(display, editor, 200, 265);
    clickAt(40, 40, 3);
    const ShownArea menu = changedArea(before, shownBy(display, editor, 200, 265));
    ASSERT_GT(menu.height(), 30) << "the right click drew no menu";
    const auto [x, y] = menuEntryCentre(menu, 2);
    clickAt(x, y, 1);

    EXPECT_EQ(settledSizes(host, "1140x530 in 1140x530"), "1140x530 in 1140x530");
    std::stringstream settings;
    settings << std::ifstream(folder / "Brindlow Audio" / "TMX-1.conf").rdbuf();
    EXPECT_NE(settings.str().find("Zoom=200"), std::string::npos) << settings.str();

    closeByWindowManager(display, host);
    EXPECT_EQ(finished(running).exitCode, 0);
    std::filesystem::remove_all(folder);
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
