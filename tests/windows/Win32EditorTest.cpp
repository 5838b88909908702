// The DLL's editor in a window of a Win32 host, as a Windows DAW shows it: the window's pixels against
// the headless composition of the same state, a click on a switch, the manual hotspot opening what
// the registry names, and handles that name no window; and the same at 150 % and 200 %, with the zoom
// menu and the user's zoom in the registry.
#include "tests/support/HeadlessComposition.h"
#include "tests/support/LoadedPlugin.h"
#include "tests/support/ShownPanel.h"

#include "platform/headless/Screen.h"
#include "toolkit/Zoom.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using testing_support::LoadedPlugin;
using testing_support::Shown;
using testing_support::differingPixels;
using testing_support::headlessComposition;

constexpr int kWidth = 570;
constexpr int kHeight = 265;

// Where the editor keeps the user's zoom, under HKEY_CURRENT_USER.
constexpr const char* kUserKey = "Software\\Brindlow Audio\\TMX-1";

// The DWORD the editor keeps the user's zoom in; nothing when there is none.
std::optional<DWORD> storedZoom() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kUserKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD value = 0;
    DWORD type = REG_NONE;
    DWORD size = sizeof value;
    const LSTATUS status = RegQueryValueExA(key, "Zoom", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD)
        return std::nullopt;
    return value;
}

// Stores the user's zoom as the editor's menu does, or removes it (0): the Wine prefix outlives a run,
// and a zoom left there would open every later test's editor at it.
void storeZoom(DWORD percent) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kUserKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (percent != 0)
        EXPECT_EQ(RegSetValueExA(key, "Zoom", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&percent), sizeof percent),
                  ERROR_SUCCESS);
    else
        RegDeleteValueA(key, "Zoom");
    RegCloseKey(key);
}

// A top-level window of the test, standing in for a DAW's plug-in window.
class Win32Editor : public LoadedPlugin {
  protected:
    void SetUp() override {
        storeZoom(0);
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "TMX1TestHost";
        RegisterClassA(&windowClass);
        RECT frame{0, 0, kWidth, kHeight};
        AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
        host_ = CreateWindowExA(0, "TMX1TestHost", "Test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(host_, nullptr);
    }
    void TearDown() override {
        plugin->dispatch(vst::effEditClose);
        DestroyWindow(host_);
        storeZoom(0);
    }

    void open() { ASSERT_EQ(plugin->dispatch(vst::effEditOpen, 0, 0, host_), 1); }
    HWND editor() const { return GetWindow(host_, GW_CHILD); }
    // The host's message loop and editor idle, at about 100 Hz.
    void pump(int milliseconds) {
        for (int elapsed = 0; elapsed < milliseconds; elapsed += 10) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            plugin->dispatch(vst::effEditIdle);
            Sleep(10);
        }
    }
    void click(int x, int y) {
        const LPARAM at = MAKELPARAM(x, y);
        PostMessageA(editor(), WM_MOUSEMOVE, 0, at);
        PostMessageA(editor(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(editor(), WM_LBUTTONUP, 0, at);
    }
    void rightClick(int x, int y) {
        const LPARAM at = MAKELPARAM(x, y);
        PostMessageA(editor(), WM_MOUSEMOVE, 0, at);
        PostMessageA(editor(), WM_RBUTTONDOWN, MK_RBUTTON, at);
        PostMessageA(editor(), WM_RBUTTONUP, 0, at);
    }
    std::pair<int, int> clientSize() const {
        RECT client{};
        GetClientRect(editor(), &client);
        return {client.right, client.bottom};
    }
    // The editor's client area as shown, 0x00RRGGBB, rows top-down.
    Shown shown() {
        const auto [width, height] = clientSize();
        HDC screen = GetDC(editor());
        HDC memory = CreateCompatibleDC(screen);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        GdiFlush();
        const auto* pixels = static_cast<const std::uint32_t*>(bits);
        Shown result{width, height, std::vector<std::uint32_t>(pixels, pixels + width * height)};
        for (std::uint32_t& pixel : result.pixels)
            pixel &= 0xffffff;
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(editor(), screen);
        return result;
    }
    bool automated(int index, float value) {
        for (const host::HostRequest& request : requestsFrom->requests())
            if (request.opcode == vst::audioMasterAutomate && request.index == index && request.opt == value)
                return true;
        return false;
    }

    host::Host* requestsFrom = &host;
    HWND host_ = nullptr;
};

TEST_F(Win32Editor, TheWindowShowsWhatTheHeadlessCompositionShows) {
    plugin->dispatch(vst::effSetProgram, 0, 4);
    open();
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(clientSize(), std::make_pair(kWidth, kHeight));
    pump(300);
    EXPECT_EQ(differingPixels(shown(), headlessComposition(host, 4, 100)), 0);
}

TEST_F(Win32Editor, ASwitchClickGoesToTheHostAndLightsAfterTheNextIdle) {
    open();
    pump(200);
    const Shown before = shown();
    host.clearRequests();
    click(339, 232); // Brick-Wall, off in the first program
    pump(200);
    EXPECT_TRUE(automated(7, 1.0f));
    EXPECT_EQ(plugin->getParameter(7), 1.0f);
    const Shown after = shown();
    int changed = 0;
    for (int y = 226; y < 239; ++y)
        for (int x = 333; x < 346; ++x)
            changed += before.at(x, y) != after.at(x, y) ? 1 : 0;
    EXPECT_GT(changed, 20) << "the switch lit";
}

// What the viewer that the shell starts for the manual must be given: nothing when the registry names
// the stand-in viewer itself (as the build's tests set it), the installed manual's path when an
// installer's test names it in TMX1_MANUAL_ARGUMENT.
std::string expectedManualArgument() {
    const char* argument = std::getenv("TMX1_MANUAL_ARGUMENT");
    return argument != nullptr && *argument != '\0' ? std::string(argument) + "\n" : std::string();
}

std::string contentsOf(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

// The registry names the manual (written with `wine reg add` before this test runs, or by the
// installer): the shell opens it with a small program of ours that records what it was given.
TEST_F(Win32Editor, TheManualHotspotOpensWhatTheRegistryNames) {
    const std::filesystem::path mark = "manual-opened.txt";
    std::filesystem::remove(mark);
    open();
    pump(100);
    click(482, 30);
    for (int i = 0; i < 300 && !std::filesystem::exists(mark); ++i)
        pump(10);
    ASSERT_TRUE(std::filesystem::exists(mark));
    EXPECT_EQ(contentsOf(mark), expectedManualArgument()) << "the viewer was given another document";
    std::filesystem::remove(mark);
}

// A host that passes a handle naming no window: a destroyed window, memory it freed or unmapped, or
// any value at all. The plug-in must ask the window system rather than read through the handle.
TEST_F(Win32Editor, HandlesThatNameNoWindowAreRefusedUnreadAndLeaveNothing) {
    std::vector<void*> handles{nullptr};
    HWND gone = CreateWindowExA(0, "TMX1TestHost", "gone", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(gone, nullptr);
    DestroyWindow(gone);
    handles.push_back(gone);
    auto* freed = new std::uint64_t[4]{};
    handles.push_back(freed);
    delete[] freed;
    void* page = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(page, nullptr);
    VirtualFree(page, 0, MEM_RELEASE);
    handles.push_back(page);
    std::mt19937_64 random(20240611);
    for (int i = 0; i < 200; ++i)
        handles.push_back(reinterpret_cast<void*>(static_cast<std::uintptr_t>(random())));
    for (void* handle : handles)
        EXPECT_EQ(plugin->dispatch(vst::effEditOpen, 0, 0, handle), 0) << handle;
    EXPECT_EQ(editor(), nullptr) << "no window anywhere";
    EXPECT_EQ(plugin->dispatch(vst::effEditIdle), 0);
    EXPECT_EQ(plugin->dispatch(vst::effEditClose), 0);

    open(); // the effect goes on as before
    pump(50);
    EXPECT_NE(editor(), nullptr);
}

// A DAW that sizes its window from effEditGetRect before opening the editor and follows the editor's
// audioMasterSizeWindow; each instance made afresh, as a host inserts the effect again.
class Win32ZoomedEditor : public Win32Editor {
  protected:
    void SetUp() override {
        Win32Editor::SetUp();
        requestsFrom = &resizingHost;
        freshEffect();
    }
    void TearDown() override {
        Win32Editor::TearDown();
        plugin.reset(); // before the host it calls goes
    }

    void freshEffect() {
        if (plugin)
            plugin->dispatch(vst::effEditClose);
        plugin = std::make_unique<host::HostedEffect>(resizingHost, testing_support::tmx1Library());
        sizeRequests.clear();
    }
    std::pair<int, int> reportedSize() {
        vst::ERect* rect = nullptr;
        EXPECT_EQ(plugin->dispatch(vst::effEditGetRect, 0, 0, &rect), 1);
        if (rect == nullptr)
            return {};
        return {rect->right - rect->left, rect->bottom - rect->top};
    }
    void resizeHost(int width, int height) {
        RECT frame{0, 0, width, height};
        AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
        SetWindowPos(host_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The host's window at the size the effect reports, and the editor opened in it.
    void openSized() {
        const auto [width, height] = reportedSize();
        resizeHost(width, height);
        open();
    }

    std::vector<std::pair<int, int>> sizeRequests;
    host::Host resizingHost{host::HostOptions{.onSizeWindow = [this](int width, int height) {
        sizeRequests.emplace_back(width, height);
        resizeHost(width, height);
        return true;
    }}};
};

std::pair<int, int> zoomedSize(int percent) {
    const toolkit::TZoom zoom(percent);
    return {zoom.Device(kWidth), zoom.Device(kHeight)};
}

TEST_F(Win32ZoomedEditor, TheZoomedWindowShowsTheZoomedHeadlessComposition) {
    for (int percent : {150, 200}) {
        SCOPED_TRACE(percent);
        freshEffect();
        plugin->dispatch(vst::effSetProgram, 0, 4);
        ASSERT_TRUE(host::requestEditorZoom(plugin->record(), percent));
        EXPECT_EQ(reportedSize(), zoomedSize(percent));
        openSized();
        ASSERT_NE(editor(), nullptr);
        EXPECT_EQ(clientSize(), zoomedSize(percent));
        pump(300);
        EXPECT_EQ(differingPixels(shown(), headlessComposition(resizingHost, 4, percent)), 0);
    }
}

TEST_F(Win32ZoomedEditor, ASwitchClickAtItsZoomedPlaceTogglesItsParameter) {
    for (int percent : {150, 200}) {
        SCOPED_TRACE(percent);
        freshEffect();
        ASSERT_TRUE(host::requestEditorZoom(plugin->record(), percent));
        openSized();
        pump(100);
        const toolkit::TZoom zoom(percent);
        click(zoom.Device(339), zoom.Device(232)); // Brick-Wall, off in the first program
        pump(200);
        EXPECT_TRUE(automated(7, 1.0f));
        EXPECT_EQ(plugin->getParameter(7), 1.0f);
    }
}

TEST_F(Win32ZoomedEditor, TheMenusChoiceGoesToTheRegistryAndOpensTheNextInstanceAtIt) {
    openSized();
    pump(100);
    ASSERT_EQ(clientSize(), zoomedSize(100));
    const Shown quiet = shown();
    rightClick(300, 150);
    pump(100);
    const testing_support::ShownArea menu = testing_support::changedArea(quiet, shown());
    ASSERT_GT(menu.height(), 30) << "the right click drew no menu";
    EXPECT_EQ(menu.left, 300) << "the menu opens where the user clicked";
    EXPECT_EQ(menu.top, 150);
    const auto [x, y] = testing_support::menuEntryCentre(menu, 1); // Zoom 150 %
    click(x, y);
    pump(300);
    ASSERT_EQ(sizeRequests, (std::vector<std::pair<int, int>>{zoomedSize(150)}));
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(clientSize(), zoomedSize(150));
    EXPECT_EQ(storedZoom(), std::optional<DWORD>(150));
    pump(100);
    EXPECT_EQ(differingPixels(shown(), headlessComposition(resizingHost, 0, 150)), 0) << "painted at 150 %";

    freshEffect();
    EXPECT_EQ(reportedSize(), zoomedSize(150));
    openSized();
    EXPECT_EQ(clientSize(), zoomedSize(150));
}

TEST_F(Win32ZoomedEditor, AZoomTheUserKeepsInTheRegistryOpensTheEditorAtIt) {
    storeZoom(200);
    freshEffect();
    EXPECT_EQ(reportedSize(), zoomedSize(200));
    openSized();
    EXPECT_EQ(clientSize(), zoomedSize(200));
    pump(100);
    // Our host's request outranks it.
    freshEffect();
    ASSERT_TRUE(host::requestEditorZoom(plugin->record(), 100));
    openSized();
    EXPECT_EQ(clientSize(), zoomedSize(100));
}

} // namespace
