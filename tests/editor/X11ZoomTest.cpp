// The built plug-in's editor at 150 % and 200 % in a real X server, in a window of a host that sizes it
// from effEditGetRect and follows the editor's size requests: what the server shows, gestures made
// with synthesised input, the desktop's scale as the only source, and the zoom menu worked with the
// pointer.
#include "dsp/ParameterTable.h"
#include "tests/support/HeadlessComposition.h"
#include "tests/support/ScopedEnvironment.h"
#include "toolkit/PictureFile.h"
#include "toolkit/Zoom.h"

// Xlib's macros (None, Bool, Status) would break the test framework's headers: the fixture's come first.
#include "tests/editor/X11EditorFixture.h"

#include <X11/Xatom.h>

#include "tests/support/DesktopUser.h"
#include "tests/support/ShownPanel.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Size = std::pair<int, int>;
using testing_support::Shown;
using testing_support::differingPixels;
using testing_support::headlessComposition;
using testing_support::ShownArea;
using testing_support::pictureTolerance;

constexpr int kLayoutWidth = 570;
constexpr int kLayoutHeight = 265;

Size zoomedSize(int percent) {
    const toolkit::TZoom zoom(percent);
    return {zoom.Device(kLayoutWidth), zoom.Device(kLayoutHeight)};
}

// Pixels that differ clearly from the committed picture of the freshly opened panel at percent.
int clearDifferencesFromPicture(const Shown& shown, int percent) {
    const std::string file = std::string(TMX1_PANEL_PICTURES) +
                             (percent == 100 ? "/panel.png" : "/panel-" + std::to_string(percent) + ".png");
    return testing_support::clearDifferences(shown, toolkit::LoadPictureFile(file), shown.width);
}

// A DAW's plug-in window on the private server, at (kParentX, kParentY), sized as the effect reports
// its editor; the host answers audioMasterSizeWindow by resizing it (unless told to refuse). The user's
// settings and presets live in a folder of the test's own, and no desktop scale is set unless a test sets one.
class X11ZoomedEditor : public ::testing::Test {
  protected:
    void SetUp() override {
        testing_support::privateDisplay();
        folder = fs::temp_directory_path() /
                 ("tmx1-x11zoom-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        userConfig.emplace("XDG_CONFIG_HOME", folder.string());
        userData.emplace("XDG_DATA_HOME", (folder / "data").string()); // no presets: the menu's four entries
        gdkScale.emplace("GDK_SCALE", ""); // the desktop running the tests may set it
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        XDeleteProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER);
        XSync(display, False);
        freshEffect();
    }
    void TearDown() override {
        plugin.reset();
        if (parent != 0)
            XDestroyWindow(display, parent);
        if (display != nullptr) {
            XDeleteProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER);
            XCloseDisplay(display);
        }
        gdkScale.reset();
        userConfig.reset();
        fs::remove_all(folder);
    }

    // A new instance, as a host inserts the effect again; a window of an earlier one goes first.
    void freshEffect() {
        plugin.reset();
        if (parent != 0) {
            XDestroyWindow(display, parent);
            XSync(display, False);
            parent = 0;
        }
        plugin = std::make_unique<host::HostedEffect>(host, testing_support::tmx1Library());
        sizeRequests.clear();
    }

    Size reportedSize() {
        vst::ERect* rect = nullptr;
        EXPECT_EQ(plugin->dispatch(vst::effEditGetRect, 0, 0, &rect), 1);
        if (rect == nullptr)
            return {};
        return {rect->right - rect->left, rect->bottom - rect->top};
    }
    // The host's window, made at the size the effect reports, and the editor opened in it.
    void open() {
        const auto [width, height] = reportedSize();
        ASSERT_GT(width, 0);
        ASSERT_GT(height, 0);
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), kParentX, kParentY,
                                     static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0, 0);
        XMapWindow(display, parent);
        XSync(display, False);
        ASSERT_EQ(plugin->dispatch(vst::effEditOpen, 0, 0,
                                   reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent))),
                  1);
    }
    void openAt(int percent) {
        ASSERT_TRUE(host::requestEditorZoom(plugin->record(), percent));
        open();
    }
    // The editor's own window inside the host's; 0 unless there is exactly one.
    Window editorWindow() const {
        const std::vector<Window> inside = testing_support::childrenOf(display, parent);
        return inside.size() == 1 ? inside[0] : 0;
    }
    Size sizeOf(Window window) const {
        XWindowAttributes attributes{};
        if (window == 0 || XGetWindowAttributes(display, window, &attributes) == 0)
            return {};
        return {attributes.width, attributes.height};
    }
    Shown shown(Window window) const {
        const auto [width, height] = sizeOf(window);
        return testing_support::shownBy(display, window, width, height);
    }

    void idleFor(int milliseconds) { testing_support::idleEditorFor(*plugin, milliseconds); }
    template <class Condition> bool idleUntil(Condition done) {
        return testing_support::idleEditorUntil(*plugin, done);
    }
    // Idles until the editor's window shows the committed picture of the freshly opened panel at percent.
    bool idleUntilItShowsThePanel(int percent) {
        return idleUntil([&] {
            const Window editor = editorWindow();
            return editor != 0 &&
                   clearDifferencesFromPicture(shown(editor), percent) <= pictureTolerance(percent);
        });
    }
    // What a right click at (x, y) drew over the window as it was: the zoom menu, once it is drawn.
    ShownArea menuOpenedAt(Window window, int x, int y) {
        const Shown quiet = shown(window);
        click(x, y, 3);
        ShownArea menu;
        idleUntil([&] { return (menu = changedArea(quiet, shown(window))).height() > 0; });
        return menu;
    }
    // The pointer at device pixel (x, y) of the host's window.
    void pointer(int x, int y) {
        testing_support::movePointer(display, kParentX + x, kParentY + y);
        idleFor(30);
    }
    void button(unsigned number, bool down) {
        testing_support::pressButton(display, number, down);
        idleFor(30);
    }
    void click(int x, int y, unsigned number = 1) {
        pointer(x, y);
        button(number, true);
        button(number, false);
    }

    std::string settingsFile() const {
        std::ifstream in(folder / "Brindlow Audio" / "TMX-1.conf");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void writeSettingsFile(const std::string& text) const {
        fs::create_directories(folder / "Brindlow Audio");
        std::ofstream(folder / "Brindlow Audio" / "TMX-1.conf") << text;
    }

    static constexpr int kParentX = 20;
    static constexpr int kParentY = 10;

    fs::path folder;
    std::optional<testing_support::ScopedEnvironment> userConfig;
    std::optional<testing_support::ScopedEnvironment> userData;
    std::optional<testing_support::ScopedEnvironment> gdkScale;
    Display* display = nullptr;
    Window parent = 0;
    bool hostResizes = true;
    std::vector<Size> sizeRequests;
    host::Host host{host::HostOptions{.onSizeWindow = [this](int width, int height) {
        sizeRequests.emplace_back(width, height);
        if (!hostResizes || parent == 0)
            return false;
        XResizeWindow(display, parent, static_cast<unsigned>(width), static_cast<unsigned>(height));
        XSync(display, False);
        return true;
    }}};
    std::unique_ptr<host::HostedEffect> plugin;
};

class ZoomedOnTheServer : public X11ZoomedEditor, public ::testing::WithParamInterface<int> {};

TEST_P(ZoomedOnTheServer, TheWindowHasTheZoomedSizeAndShowsTheHeadlessPanel) {
    const int percent = GetParam();
    ASSERT_TRUE(host::requestEditorZoom(plugin->record(), percent));
    EXPECT_EQ(reportedSize(), zoomedSize(percent)) << "what the host sizes its window from";
    open();
    ASSERT_TRUE(idleUntil([&] { return editorWindow() != 0; }));
    const Window editor = editorWindow();
    EXPECT_EQ(sizeOf(editor), zoomedSize(percent));
    EXPECT_EQ(reportedSize(), zoomedSize(percent));
    // Painted once it shows the headless composition of the same state.
    const Shown composed = headlessComposition(host, 0, percent);
    Shown onServer;
    idleUntil([&] { return differingPixels(onServer = shown(editor), composed) == 0; });
    ASSERT_EQ(onServer.width, zoomedSize(percent).first);
    EXPECT_EQ(differingPixels(onServer, composed), 0)
        << "the server shows other pixels than the headless composition of the same state";
    EXPECT_LE(clearDifferencesFromPicture(onServer, percent), pictureTolerance(percent));

    // Another program's state, drawn after the window exists, arrives as well.
    plugin->dispatch(vst::effSetProgram, 0, 4);
    const Shown program4 = headlessComposition(host, 4, percent);
    EXPECT_TRUE(idleUntil([&] { return differingPixels(shown(editor), program4) == 0; }));
}

INSTANTIATE_TEST_SUITE_P(EachZoom, ZoomedOnTheServer, ::testing::Values(100, 150, 200),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Zoom" + std::to_string(info.param);
                         });

// The centres of controls in the layout's pixels, and a drag in layout pixels: at each zoom the pointer
// goes to the first device pixel of each layout pixel, so the same layout pixels are hit.
struct Point {
    int x;
    int y;
};
constexpr Point kThresholdKnob{168, 103};
constexpr Point kKneeKnob{168, 203};
constexpr Point kReleaseKnob{288, 103};
constexpr Point kBrickWallSwitch{339, 232};
constexpr Point kReleaseType2{33, 224};

TEST_F(X11ZoomedEditor, ClicksAndDragsGiveTheSameValuesAtEveryZoom) {
    std::vector<std::array<float, 10>> results;
    std::array<float, 10> defaults{};
    for (int percent : {100, 150, 200}) {
        SCOPED_TRACE(percent);
        freshEffect();
        for (int i = 0; i < 10; ++i)
            defaults[static_cast<std::size_t>(i)] = plugin->getParameter(i);
        openAt(percent);
        ASSERT_TRUE(idleUntil([&] { return sizeOf(editorWindow()) == zoomedSize(percent); }));
        const toolkit::TZoom zoom(percent);
        const auto at = [&](Point p, int dy = 0) { pointer(zoom.Device(p.x), zoom.Device(p.y + dy)); };
        const auto drag = [&](Point knob, int layoutPixels) {
            at(knob);
            button(1, true);
            at(knob, -layoutPixels / 2);
            at(knob, -layoutPixels);
            button(1, false);
        };
        drag(kThresholdKnob, -13);
        drag(kKneeKnob, 9);
        drag(kReleaseKnob, -5);
        at(kBrickWallSwitch);
        button(1, true);
        button(1, false);
        at(kReleaseType2);
        button(1, true);
        button(1, false);
        // The last gesture taken (Smooth 2, step 2 of 4) means every earlier one was.
        EXPECT_TRUE(idleUntil([&] { return plugin->getParameter(tmx1::kReleaseType) == 0.5f; }));
        std::array<float, 10> values{};
        for (int i = 0; i < 10; ++i)
            values[static_cast<std::size_t>(i)] = plugin->getParameter(i);
        results.push_back(values);
        plugin->dispatch(vst::effEditClose);
    }
    // Each gesture did something at 100 %: a comparison of unchanged values would prove nothing.
    for (int changed : {0, 1, 3, 4, 7})
        EXPECT_NE(results[0][static_cast<std::size_t>(changed)], defaults[static_cast<std::size_t>(changed)])
            << "parameter " << changed << " at 100 %";
    EXPECT_EQ(results[1], results[0]) << "150 %";
    EXPECT_EQ(results[2], results[0]) << "200 %";
}

TEST_F(X11ZoomedEditor, TheDesktopsXftDpiAloneOpensTheEditorAt150) {
    const std::string resources = "Xft.antialias:\t1\nXft.dpi:\t144\n";
    XChangeProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(resources.data()), static_cast<int>(resources.size()));
    XSync(display, False);
    EXPECT_EQ(reportedSize(), zoomedSize(150)) << "asked before the editor opens";
    open();
    EXPECT_TRUE(idleUntilItShowsThePanel(150));
    EXPECT_EQ(sizeOf(editorWindow()), zoomedSize(150));
    plugin->dispatch(vst::effEditClose);

    // The user's remembered 100 % comes before the desktop.
    freshEffect();
    writeSettingsFile("Zoom=100\n");
    EXPECT_EQ(reportedSize(), zoomedSize(100));
    open();
    EXPECT_EQ(sizeOf(editorWindow()), zoomedSize(100));
}

// The menu's entry for percent, found by what the right click drew: the menu opens over the panel
// with its entries of equal height, 100, 150 and 200 % from the top, then Save Preset.
Point menuEntry(const ShownArea& menu, int percent) {
    const auto [x, y] = testing_support::menuEntryCentre(menu, percent == 100 ? 0 : percent == 150 ? 1 : 2);
    return {x, y};
}

TEST_F(X11ZoomedEditor, TheMenuChosenWithThePointerZoomsTheWindowAndIsRemembered) {
    open();
    ASSERT_TRUE(idleUntilItShowsThePanel(100));
    const Window before = editorWindow();
    ASSERT_EQ(sizeOf(before), zoomedSize(100));
    const ShownArea menu = menuOpenedAt(before, 300, 150);
    ASSERT_GT(menu.width(), 30) << "the right click drew no menu";
    ASSERT_GT(menu.height(), 30);
    EXPECT_EQ(menu.left, 300) << "the menu opens where the user clicked";
    EXPECT_EQ(menu.top, 150);
    EXPECT_TRUE(sizeRequests.empty());

    const Point entry = menuEntry(menu, 200);
    click(entry.x, entry.y);
    EXPECT_TRUE(idleUntilItShowsThePanel(200)) << "the zoomed panel is painted, without the menu";
    ASSERT_EQ(sizeRequests, (std::vector<Size>{zoomedSize(200)}));
    EXPECT_EQ(sizeOf(parent), zoomedSize(200)) << "the host followed";
    const Window after = editorWindow();
    ASSERT_NE(after, 0u) << "one editor window in the host's";
    EXPECT_EQ(sizeOf(after), zoomedSize(200));
    EXPECT_EQ(reportedSize(), zoomedSize(200));
    EXPECT_NE(settingsFile().find("Zoom=200"), std::string::npos) << settingsFile();

    // At 200 % the menu works in the zoomed window, back to 150 %.
    const ShownArea zoomedMenu = menuOpenedAt(after, 400, 300);
    ASSERT_GT(zoomedMenu.height(), 60) << "the menu is drawn at the zoom";
    const Point smaller = menuEntry(zoomedMenu, 150);
    click(smaller.x, smaller.y);
    EXPECT_TRUE(idleUntil([&] { return sizeOf(editorWindow()) == zoomedSize(150); }));
    EXPECT_EQ(sizeRequests.back(), zoomedSize(150));
    EXPECT_EQ(sizeOf(editorWindow()), zoomedSize(150));
    EXPECT_NE(settingsFile().find("Zoom=150"), std::string::npos) << settingsFile();
}

TEST_F(X11ZoomedEditor, AHostThatKeepsItsSizeKeepsTheWindowUntilTheNextOpen) {
    hostResizes = false;
    open();
    ASSERT_TRUE(idleUntilItShowsThePanel(100));
    const Point entry = menuEntry(menuOpenedAt(editorWindow(), 100, 60), 200);
    click(entry.x, entry.y);
    ASSERT_TRUE(idleUntil([&] { return !sizeRequests.empty(); }));
    ASSERT_EQ(sizeRequests, (std::vector<Size>{zoomedSize(200)}));
    EXPECT_EQ(sizeOf(parent), zoomedSize(100));
    EXPECT_EQ(sizeOf(editorWindow()), zoomedSize(100)) << "not larger than the host's window";
    EXPECT_NE(settingsFile().find("Zoom=200"), std::string::npos) << settingsFile();

    plugin->dispatch(vst::effEditClose);
    XDestroyWindow(display, parent);
    parent = 0;
    open();
    EXPECT_TRUE(idleUntil([&] { return sizeOf(editorWindow()) == zoomedSize(200); }));
}

} // namespace
