// The DLL's editor in a window of a Win32 host, as a Windows DAW shows it: the window's pixels against
// the headless composition of the same state, a click on a switch, the manual hotspot opening what
// the registry names, and handles that name no window.
#include "tests/support/LoadedPlugin.h"

#include "platform/headless/Screen.h"

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
#include <random>
#include <string>
#include <vector>

namespace {

using testing_support::LoadedPlugin;

constexpr int kWidth = 570;
constexpr int kHeight = 265;

// A top-level window of the test, standing in for a DAW's plug-in window.
class Win32Editor : public LoadedPlugin {
  protected:
    void SetUp() override {
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
    // The editor's client area as shown, 0x00RRGGBB, rows top-down.
    std::vector<std::uint32_t> shown() {
        HDC screen = GetDC(editor());
        HDC memory = CreateCompatibleDC(screen);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, kWidth, kHeight, screen, 0, 0, SRCCOPY);
        GdiFlush();
        const auto* pixels = static_cast<const std::uint32_t*>(bits);
        std::vector<std::uint32_t> result(pixels, pixels + kWidth * kHeight);
        for (std::uint32_t& pixel : result)
            pixel &= 0xffffff;
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(editor(), screen);
        return result;
    }
    bool automated(int index, float value) {
        for (const host::HostRequest& request : host.requests())
            if (request.opcode == vst::audioMasterAutomate && request.index == index && request.opt == value)
                return true;
        return false;
    }

    HWND host_ = nullptr;
};

TEST_F(Win32Editor, TheWindowShowsWhatTheHeadlessCompositionShows) {
    plugin->dispatch(vst::effSetProgram, 0, 4);
    open();
    ASSERT_NE(editor(), nullptr);
    RECT client{};
    GetClientRect(editor(), &client);
    EXPECT_EQ(client.right, kWidth);
    EXPECT_EQ(client.bottom, kHeight);
    pump(300);
    const std::vector<std::uint32_t> pixels = shown();

    host::HostedEffect twin(host, testing_support::tmx1Library());
    twin.dispatch(vst::effSetProgram, 0, 4);
    platform::headless::Screen screen;
    ASSERT_EQ(host::openEditorOnScreen(twin.record(), screen), 1);
    twin.dispatch(vst::effEditIdle);
    int differing = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (pixels[static_cast<std::size_t>(y * kWidth + x)] != screen.LastWindow().ScreenPixel(x, y))
                ++differing;
    twin.dispatch(vst::effEditClose);
    EXPECT_EQ(differing, 0);
}

TEST_F(Win32Editor, ASwitchClickGoesToTheHostAndLightsAfterTheNextIdle) {
    open();
    pump(200);
    const std::vector<std::uint32_t> before = shown();
    host.clearRequests();
    click(339, 232); // Brick-Wall, off in the first program
    pump(200);
    EXPECT_TRUE(automated(7, 1.0f));
    EXPECT_EQ(plugin->getParameter(7), 1.0f);
    const std::vector<std::uint32_t> after = shown();
    int changed = 0;
    for (int y = 226; y < 239; ++y)
        for (int x = 333; x < 346; ++x)
            changed += before[static_cast<std::size_t>(y * kWidth + x)] != after[static_cast<std::size_t>(y * kWidth + x)];
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

} // namespace
