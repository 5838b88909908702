// The Win32 backend on the machine's own window system (Wine when cross-built): registry settings, the
// user's own numbers, the desktop's scale, regional settings, GDI text, DIB sections, libraries, consoles,
// and the editor's child window inside a host's window, painted, clicked, ticking and destroyed the ways a
// host does it.
#include "platform/DesktopScale.h"
#include "platform/Font.h"
#include "platform/Locale.h"
#include "platform/MachineSettings.h"
#include "platform/PixelMemory.h"
#include "platform/SharedLibrary.h"
#include "platform/Shell.h"
#include "platform/Terminal.h"
#include "platform/UserFolders.h"
#include "platform/UserSettings.h"
#include "platform/Window.h"
#include "platform/headless/Screen.h"
#include "platform/win32/Win32Api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace platform;
namespace fs = std::filesystem;

const std::string replacement = "\xEF\xBF\xBD"; // U+FFFD, well formed

fs::path scratchFolder(const std::string& name) {
    const fs::path folder = fs::temp_directory_path() / ("tmx1-win32-" + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

// ---- machine settings

class RegistrySettings : public ::testing::Test {
  protected:
    const std::string key = "Software\\Brindlow Audio Tests\\TMX-1-" + std::to_string(GetCurrentProcessId());

    void SetUp() override {
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &handle, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(handle);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Brindlow Audio Tests");
    }
    void set(const char* name, DWORD type, const std::string& bytes) {
        ASSERT_EQ(RegSetValueExA(handle, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }
    std::optional<std::string> read(const char* name) { return ReadMachineString("\\" + key, name); }

    HKEY handle = nullptr;
};

TEST_F(RegistrySettings, AStringValueIsReadWithoutItsTerminatingZeros) {
    set("Manual", REG_SZ, std::string("C:\\Manuals\\TMX-1 Manual.pdf\0", 29));
    set("Doubly", REG_SZ, std::string("two zeros\0\0", 11));
    set("Unterminated", REG_SZ, "no zero");
    EXPECT_EQ(read("Manual"), std::optional<std::string>("C:\\Manuals\\TMX-1 Manual.pdf"));
    EXPECT_EQ(read("manual"), std::optional<std::string>("C:\\Manuals\\TMX-1 Manual.pdf"))
        << "value names ignore letter case";
    EXPECT_EQ(read("Doubly"), std::optional<std::string>("two zeros"));
    EXPECT_EQ(read("Unterminated"), std::optional<std::string>("no zero"));
}

TEST_F(RegistrySettings, MissingValuesKeysAndOtherTypesGiveNothingButAnEmptyStringIsThere) {
    set("Empty", REG_SZ, std::string(1, '\0'));
    set("Number", REG_DWORD, std::string("\x01\x00\x00\x00", 4));
    EXPECT_EQ(read("Empty"), std::optional<std::string>(""));
    EXPECT_EQ(read("Missing"), std::nullopt);
    EXPECT_EQ(read("Number"), std::nullopt) << "a number is not a string";
    EXPECT_EQ(ReadMachineString("\\" + key + "\\Nothing", "Manual"), std::nullopt);
}

TEST_F(RegistrySettings, AnExpandableStringHasItsVariablesExpanded) {
    SetEnvironmentVariableA("TMX1_TEST_FOLDER", "D:\\Plug-ins");
    set("Manual", REG_EXPAND_SZ, std::string("%TMX1_TEST_FOLDER%\\Manual.pdf\0", 31));
    EXPECT_EQ(read("Manual"), std::optional<std::string>("D:\\Plug-ins\\Manual.pdf"));
    SetEnvironmentVariableA("TMX1_TEST_FOLDER", nullptr);
}

// ---- the user's own numbers, under HKEY_CURRENT_USER

class UserNumbers : public ::testing::Test {
  protected:
    const std::string key = "Software\\Brindlow Audio Tests\\TMX-1-" + std::to_string(GetCurrentProcessId());
    const std::string keyPath = "\\" + key;

    void TearDown() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Brindlow Audio Tests");
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Brindlow Audio Tests");
    }
    // The value as the registry holds it: its type and bytes.
    std::pair<DWORD, std::string> stored(const char* name) {
        char data[16] = {};
        DWORD size = sizeof data;
        DWORD type = REG_NONE;
        if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_ANY, &type, data, &size) !=
            ERROR_SUCCESS)
            return {REG_NONE, {}};
        return {type, std::string(data, size)};
    }
    void set(HKEY root, const char* name, DWORD type, const std::string& bytes) {
        HKEY handle = nullptr;
        ASSERT_EQ(
            RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr),
            ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExA(handle, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
        RegCloseKey(handle);
    }
};

TEST_F(UserNumbers, ANumberIsADwordOfTheUsersKeyWhichIsMadeWhenMissing) {
    EXPECT_EQ(ReadUserNumber(keyPath, "Zoom"), std::nullopt);
    ASSERT_TRUE(WriteUserNumber(keyPath, "Zoom", 150));
    EXPECT_EQ(stored("Zoom"), std::make_pair(DWORD{REG_DWORD}, std::string("\x96\x00\x00\x00", 4)));
    EXPECT_EQ(ReadUserNumber(keyPath, "Zoom"), std::optional<long long>(150));
    EXPECT_EQ(ReadUserNumber(keyPath, "zoom"), std::optional<long long>(150)) << "value names ignore case";
    ASSERT_TRUE(WriteUserNumber(keyPath, "Zoom", 4294967295LL));
    EXPECT_EQ(ReadUserNumber(keyPath, "Zoom"), std::optional<long long>(4294967295LL))
        << "a DWORD is unsigned";
}

TEST_F(UserNumbers, ANumberNoDwordHoldsIsAQword) {
    ASSERT_TRUE(WriteUserNumber(keyPath, "Zoom", -200));
    EXPECT_EQ(stored("Zoom").first, DWORD{REG_QWORD});
    EXPECT_EQ(ReadUserNumber(keyPath, "Zoom"), std::optional<long long>(-200));
    ASSERT_TRUE(WriteUserNumber(keyPath, "Zoom", 1LL << 40));
    EXPECT_EQ(ReadUserNumber(keyPath, "Zoom"), std::optional<long long>(1LL << 40));
}

TEST_F(UserNumbers, OtherTypesAndSizesAndTheMachinesValuesGiveNothing) {
    set(HKEY_CURRENT_USER, "Text", REG_SZ, std::string("150\0", 4));
    set(HKEY_CURRENT_USER, "Short", REG_BINARY, std::string("\x96\x00", 2));
    set(HKEY_CURRENT_USER, "Binary", REG_BINARY, std::string("\x96\x00\x00\x00", 4));
    set(HKEY_LOCAL_MACHINE, "Machine", REG_DWORD, std::string("\x96\x00\x00\x00", 4));
    for (const char* name : {"Text", "Short", "Binary", "Machine", "Missing"})
        EXPECT_EQ(ReadUserNumber(keyPath, name), std::nullopt) << name;
}

// ---- regional settings

// Puts the user's decimal separator back however the test ends.
class SavedDecimalSeparator {
  public:
    SavedDecimalSeparator() { GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved_, sizeof saved_); }
    ~SavedDecimalSeparator() { SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved_); }
    SavedDecimalSeparator(const SavedDecimalSeparator&) = delete;
    SavedDecimalSeparator& operator=(const SavedDecimalSeparator&) = delete;

  private:
    char saved_[8] = {};
};

// The user's preset files go to the Documents folder the shell names.
TEST(UserFolders, TheUsersDataFolderIsTheirDocumentsFolder) {
    const std::optional<std::filesystem::path> folder = platform::UserDataFolder();
    ASSERT_TRUE(folder.has_value());
    EXPECT_TRUE(folder->is_absolute()) << folder->string();
    EXPECT_TRUE(std::filesystem::is_directory(*folder)) << folder->string();
}

TEST(RegionalSettings, TheDecimalSeparatorIsTheUsersSingleCharacterOrAPoint) {
    const SavedDecimalSeparator saved;
    ASSERT_TRUE(SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, ","));
    EXPECT_EQ(userDecimalSeparator(), ',');
    ASSERT_TRUE(SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, "::"));
    EXPECT_EQ(userDecimalSeparator(), '.') << "a separator of two characters cannot be one char";
}

// ---- text

int inkAbove(const TextCoverage& coverage, std::uint8_t level) {
    return static_cast<int>(
        std::count_if(coverage.alpha.begin(), coverage.alpha.end(), [level](auto a) { return a > level; }));
}

bool inkInRows(const TextCoverage& coverage, int from, int to) {
    for (int y = std::max(from, 0); y < std::min(to, coverage.height); ++y)
        for (int x = 0; x < coverage.width; ++x)
            if (coverage.alpha[static_cast<std::size_t>(y * coverage.width + x)] != 0)
                return true;
    return false;
}

TEST(GdiText, WidthsFollowTheTextAndTheLineHeightOnlyTheSize) {
    const auto font = Font::Open("Arial", 11, false, false);
    EXPECT_FALSE(font->FileName().empty());
    const auto dash = font->Measure("-");
    EXPECT_GT(dash.width, 0);
    EXPECT_LT(dash.width, font->Measure("-40.00").width);
    EXPECT_GT(font->Measure("W").width, font->Measure("i").width);
    EXPECT_EQ(font->Measure("").width, 0);
    for (const char* text : {"", "W", "g_", "\xC3\x89tat"})
        EXPECT_EQ(font->Measure(text).height, dash.height) << text;
    EXPECT_GE(dash.height, 11) << "ascent and descent together exceed the em";
    EXPECT_GT(dash.ascent, dash.height / 2);
    EXPECT_LT(dash.ascent, dash.height);
    EXPECT_LT(Font::Open("Arial", 9, false, false)->Measure("-").height, dash.height);
    EXPECT_GT(Font::Open("Arial", 16, false, false)->Measure("-").height, dash.height);
    EXPECT_GT(Font::Open("Arial", 11, true, false)->Measure("Compressor").width,
              font->Measure("Compressor").width)
        << "bold is wider";
}

TEST(GdiText, MalformedUtf8MeasuresAsTheReplacementCharacter) {
    const auto font = Font::Open("Arial", 11, false, false);
    EXPECT_EQ(font->Measure("a\xFF"
                            "b")
                  .width,
              font->Measure("a" + replacement + "b").width);
    EXPECT_GT(font->Measure("a\xFF"
                            "b")
                  .width,
              font->Measure("ab").width)
        << "the broken byte is not dropped";
}

TEST(GdiText, KerningPairsDrawTheirLettersCloser) {
    const auto font = Font::Open("Arial", 11, false, false);
    EXPECT_LT(font->Measure("To").width, font->Measure("T").width + font->Measure("o").width);
    EXPECT_EQ(font->Render("To").width, font->Measure("To").width);
}

TEST(GdiText, RenderingFillsTheMeasuredBoxWithInkOnTheBaseline) {
    const auto font = Font::Open("Arial", 11, false, false);
    for (const char* text : {"Comp", "", " ", "fj/"}) {
        const auto extent = font->Measure(text);
        const auto coverage = font->Render(text);
        EXPECT_EQ(coverage.width, extent.width) << text;
        EXPECT_EQ(coverage.height, extent.height) << text;
        EXPECT_EQ(coverage.alpha.size(), static_cast<std::size_t>(extent.width * extent.height)) << text;
    }
    EXPECT_GT(inkAbove(font->Render("Comp"), 200), 5);
    EXPECT_EQ(inkAbove(font->Render(" "), 0), 0) << "a space leaves no ink";
    const auto x = font->Render("x");
    const int ascent = font->Measure("x").ascent;
    EXPECT_TRUE(inkInRows(x, ascent - 2, ascent)) << "an x stands on the baseline";
    EXPECT_FALSE(inkInRows(x, ascent, x.height)) << "and does not reach below it";
    EXPECT_FALSE(inkInRows(x, 0, 2)) << "nor up to the top of the line";
}

TEST(GdiText, AnOldBitmapFamilyGetsASmoothOutlineFace) {
    // At this size the usual sans faces are smoothed; a bitmap face would give only full ink.
    const auto font = Font::Open("MS Sans Serif", 24, false, false);
    const auto coverage = font->Render("Comp");
    EXPECT_GT(inkAbove(coverage, 0) - inkAbove(coverage, 254), 10) << font->FileName() << " is not smoothed";
    const auto unknown = Font::Open("No Such Family At All", 11, false, false);
    EXPECT_FALSE(unknown->FileName().empty());
    EXPECT_GT(unknown->Measure("Comp").width, 0);
}

// ---- pixel memory

TEST(DibSection, PixelMemoryIsABottomUpDibSectionThatGdiDrawsFrom) {
    PixelMemory memory(7, 5);
    ASSERT_NE(memory.NativeHandle(), nullptr);
    auto* bitmap = static_cast<HBITMAP>(memory.NativeHandle());
    DIBSECTION section{};
    ASSERT_EQ(GetObjectA(bitmap, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBm.bmBits, memory.Pixels()) << "the pixels we write are the section's";
    EXPECT_EQ(section.dsBmih.biWidth, 7);
    EXPECT_EQ(section.dsBmih.biHeight, 5) << "positive: bottom-up";
    EXPECT_EQ(section.dsBmih.biBitCount, 32);

    std::fill(memory.Pixels(), memory.Pixels() + 35, 0u);
    memory.Pixels()[0] = 0x00112233;         // first in memory: the bottom-left pixel
    memory.Pixels()[4 * 7 + 6] = 0x00445566; // last row in memory: the top row
    HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    EXPECT_EQ(GetPixel(dc, 0, 4), RGB(0x11, 0x22, 0x33));
    EXPECT_EQ(GetPixel(dc, 6, 0), RGB(0x44, 0x55, 0x66));
    EXPECT_EQ(GetPixel(dc, 3, 2), RGB(0, 0, 0));
    SelectObject(dc, previous);
    DeleteDC(dc);
}

TEST(DibSection, RefusedMemoryIsReportedWithTheSystemsReason) {
    try {
        PixelMemory memory(70000, 70000); // 18 GiB
        FAIL() << "no error";
    } catch (const PixelMemoryError& error) {
        const std::string message = error.what();
        EXPECT_EQ(message.rfind("Windows error (", 0), 0u) << message;
        const auto close = message.find(") ");
        ASSERT_NE(close, std::string::npos) << message;
        EXPECT_GT(message.size(), close + 3) << "followed by the system's text: " << message;
    }
}

// ---- libraries, consoles, the shell

TEST(Libraries, ASystemLibraryLoadsAndFindsItsExports) {
    char system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
    SharedLibrary library(std::string(system) + "\\kernel32.dll");
    EXPECT_EQ(library.symbol("GetTickCount"), reinterpret_cast<void*>(&GetTickCount));
    EXPECT_EQ(library.symbol("NoSuchExportAnywhere"), nullptr);
    SharedLibrary moved(std::move(library));
    EXPECT_NE(moved.symbol("GetTickCount"), nullptr);
}

TEST(Libraries, WhatCannotLoadSaysWhy) {
    const fs::path folder = scratchFolder("libraries");
    const std::string text = (folder / "notes.dll").string();
    std::ofstream(text) << "not a library";
    const auto reason = [](const std::string& path) {
        try {
            SharedLibrary library(path);
        } catch (const LibraryError& error) {
            return std::string(error.what());
        }
        return std::string("loaded");
    };
    EXPECT_EQ(reason((folder / "missing.dll").string()),
              (folder / "missing.dll").string() + ": no such file");
    EXPECT_EQ(reason(folder.string()), folder.string() + ": not a file");
    const std::string refused = reason(text);
    const std::string start = text + ": not a loadable shared library (";
    EXPECT_EQ(refused.rfind(start, 0), 0u) << refused;
    EXPECT_GT(refused.size(), start.size() + 1) << "with the system's reason";
    EXPECT_EQ(refused.back(), ')');
    fs::remove_all(folder);
}

TEST(Consoles, AStreamIntoAPipeIsNoTerminalAndHasNoWidth) {
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 0));
    const HANDLE previous = GetStdHandle(STD_ERROR_HANDLE);
    SetStdHandle(STD_ERROR_HANDLE, write);
    const bool terminal = isTerminal(StandardStream::error);
    const int columns = terminalColumns(StandardStream::error);
    SetStdHandle(STD_ERROR_HANDLE, previous);
    CloseHandle(read);
    CloseHandle(write);
    EXPECT_FALSE(terminal);
    EXPECT_EQ(columns, 0);
}

TEST(Shell, OpeningStartsTheAssociatedProgramAndReportsWhatCannotStart) {
    EXPECT_FALSE(ShellOpen(nullptr, ""));
    const fs::path folder = scratchFolder("shell");
    EXPECT_FALSE(ShellOpen(nullptr, (folder / "no such document.tmx1doc").string()));
    const fs::path opened = folder / "opened.txt";
    std::ofstream(folder / "open me.cmd") << "@echo started> \"" << opened.string() << "\"\r\n";
    ASSERT_TRUE(ShellOpen(nullptr, (folder / "open me.cmd").string()));
    for (int i = 0; i < 1000 && !fs::exists(opened); ++i)
        Sleep(10);
    EXPECT_TRUE(fs::exists(opened)) << "the command file ran";
    Sleep(100); // let the command interpreter let go of its folder
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

// ---- the editor's window in a host's window

// A host's top-level window, shown at the screen's corner.
class HostFrame {
  public:
    HostFrame() {
        static const ATOM registered = [] {
            WNDCLASSA description{};
            description.lpfnWndProc = DefWindowProcA;
            description.hInstance = GetModuleHandleA(nullptr);
            description.lpszClassName = "TMX1TestHostFrame";
            description.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
            return RegisterClassA(&description);
        }();
        hwnd_ = CreateWindowExA(0, MAKEINTATOM(registered), "host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                                0, 0, 300, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~HostFrame() {
        if (IsWindow(hwnd_))
            DestroyWindow(hwnd_);
    }
    HostFrame(const HostFrame&) = delete;
    HostFrame& operator=(const HostFrame&) = delete;

    HWND Handle() const { return hwnd_; }

  private:
    HWND hwnd_ = nullptr;
};

// The host's own loop, as it runs between the editor's idle calls, until done or time is up.
void hostLoop(
    int milliseconds, const std::function<bool()>& done = [] { return false; }) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done() && std::chrono::steady_clock::now() < end) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(1);
    }
}

constexpr std::uint32_t kTopRowColour = 0x00C02010;

// Paints the back buffer's colour, with its top row in another one, and records what it is told.
struct Recorder : WindowListener {
    NativeWindow* window = nullptr;
    PixelMemory backBuffer{120, 80};
    std::vector<Rect> paints;
    std::vector<MouseEvent> mouse;
    int destroyed = 0;

    void Fill(std::uint32_t colour) {
        std::fill(backBuffer.Pixels(), backBuffer.Pixels() + 120 * 80, colour);
        std::fill(backBuffer.Pixels() + 79 * 120, backBuffer.Pixels() + 80 * 120, kTopRowColour);
    }
    void WindowPaint(const Rect& rect) override {
        paints.push_back(rect);
        window->Present(backBuffer, rect, rect.Left, rect.Top);
    }
    void WindowMouse(const MouseEvent& event) override { mouse.push_back(event); }
    void WindowKey(const KeyEvent&) override {}
    void WindowDestroyed() override { ++destroyed; }
};

COLORREF shown(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

COLORREF asColorref(std::uint32_t pixel) { return RGB(pixel >> 16 & 0xFF, pixel >> 8 & 0xFF, pixel & 0xFF); }

class EditorWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(host.Handle(), nullptr);
        recorder.Fill(0x00336699);
        window = CreateChildWindow(ParentWindow::Native(host.Handle()), 120, 80, recorder);
        recorder.window = window.get();
    }
    HWND child() const { return static_cast<HWND>(window->Handle()); }
    LRESULT send(UINT message, WPARAM keys, int x, int y) {
        return SendMessageA(child(), message, keys, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
    }

    HostFrame host;
    Recorder recorder;
    std::unique_ptr<NativeWindow> window;
};

TEST_F(EditorWindow, IsAChildOfTheHostsWindowAtTheRequestedSize) {
    ASSERT_NE(child(), nullptr);
    EXPECT_EQ(GetParent(child()), host.Handle());
    EXPECT_NE(GetWindowLongPtrA(child(), GWL_STYLE) & WS_CHILD, 0);
    RECT client{};
    GetClientRect(child(), &client);
    EXPECT_EQ(client.right, 120);
    EXPECT_EQ(client.bottom, 80);
    EXPECT_EQ(window->Width(), 120);
    EXPECT_EQ(window->Height(), 80);
}

TEST_F(EditorWindow, IdlePaintsTheWholeNewWindowRightSideUp) {
    window->Idle();
    ASSERT_EQ(recorder.paints.size(), 1u);
    EXPECT_EQ(recorder.paints[0], (Rect{0, 0, 120, 80}));
    EXPECT_EQ(shown(child(), 0, 0), asColorref(kTopRowColour)) << "the back buffer's last row is the top";
    EXPECT_EQ(shown(child(), 60, 40), asColorref(0x00336699));
    EXPECT_EQ(shown(child(), 119, 79), asColorref(0x00336699));
}

TEST_F(EditorWindow, IsNeverErasedBeforeAPaint) {
    window->Idle();
    HDC dc = GetDC(child());
    const LRESULT erased = SendMessageA(child(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ReleaseDC(child(), dc);
    EXPECT_NE(erased, 0) << "reported as done, so Windows erases nothing itself";
    EXPECT_EQ(shown(child(), 60, 40), asColorref(0x00336699));
}

TEST_F(EditorWindow, TheHostsOwnMessageLoopPaintsToo) {
    hostLoop(2000, [&] { return !recorder.paints.empty(); });
    ASSERT_EQ(recorder.paints.size(), 1u);
    EXPECT_EQ(shown(child(), 60, 40), asColorref(0x00336699));
}

TEST_F(EditorWindow, InvalidatedRectanglesMergeIntoOnePaintOfJustThatPart) {
    window->Idle();
    recorder.paints.clear();
    recorder.Fill(0x00FFFF00);
    window->Invalidate({2, 3, 10, 12});
    window->Invalidate({20, 30, 40, 50});
    window->Idle();
    window->Idle();
    ASSERT_EQ(recorder.paints.size(), 1u);
    EXPECT_EQ(recorder.paints[0], (Rect{2, 3, 40, 50}));
    EXPECT_EQ(shown(child(), 30, 40), asColorref(0x00FFFF00));
    EXPECT_EQ(shown(child(), 100, 70), asColorref(0x00336699)) << "outside the paint nothing changes";
    window->Invalidate({0, 0, 10, 10});
    window->Validate({0, 0, 10, 10});
    window->Idle();
    EXPECT_EQ(recorder.paints.size(), 1u) << "a validated rectangle is not painted";
}

TEST_F(EditorWindow, ClicksReachTheListenerWithTheirButtonsAndModifiers) {
    send(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, 5, 6);
    send(WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, -3, -4);
    send(WM_LBUTTONUP, MK_CONTROL, 7, 8);
    send(WM_LBUTTONDBLCLK, MK_LBUTTON, 7, 8);
    send(WM_RBUTTONDOWN, MK_RBUTTON, 1, 2);
    send(WM_MBUTTONUP, 0, 3, 4);
    ASSERT_EQ(recorder.mouse.size(), 6u);
    const auto& m = recorder.mouse;
    EXPECT_EQ(m[0].kind, MouseEventKind::Press);
    EXPECT_EQ(m[0].button, MouseButton::Left);
    EXPECT_EQ(m[0].x, 5);
    EXPECT_EQ(m[0].y, 6);
    EXPECT_EQ(m[0].modifiers, modLeftButton | modShift);
    EXPECT_EQ(m[1].kind, MouseEventKind::Move);
    EXPECT_EQ(m[1].x, -3) << "a captured drag outside the window";
    EXPECT_EQ(m[1].y, -4);
    EXPECT_EQ(m[1].modifiers, modLeftButton | modCtrl);
    EXPECT_EQ(m[2].kind, MouseEventKind::Release);
    EXPECT_EQ(m[2].modifiers, unsigned{modCtrl}) << "the released button is no longer held";
    EXPECT_EQ(m[3].kind, MouseEventKind::Press);
    EXPECT_EQ(m[3].modifiers, modLeftButton | modDouble);
    EXPECT_EQ(m[4].button, MouseButton::Right);
    EXPECT_EQ(m[4].modifiers, unsigned{modRightButton});
    EXPECT_EQ(m[5].kind, MouseEventKind::Release);
    EXPECT_EQ(m[5].button, MouseButton::Middle);
}

TEST_F(EditorWindow, AltComesFromTheKeyboardState) {
    BYTE keys[256] = {};
    ASSERT_TRUE(GetKeyboardState(keys));
    BYTE withAlt[256];
    std::copy(std::begin(keys), std::end(keys), std::begin(withAlt));
    withAlt[VK_MENU] = 0x80;
    SetKeyboardState(withAlt);
    send(WM_LBUTTONDOWN, MK_LBUTTON, 5, 6);
    SetKeyboardState(keys);
    send(WM_LBUTTONUP, 0, 5, 6);
    ASSERT_EQ(recorder.mouse.size(), 2u);
    EXPECT_EQ(recorder.mouse[0].modifiers, modLeftButton | modAlt);
    EXPECT_EQ(recorder.mouse[1].modifiers, 0u);
}

TEST_F(EditorWindow, ADragReleasedOutsideTheWindowHasLeftIt) {
    send(WM_LBUTTONDOWN, MK_LBUTTON, 5, 6);
    send(WM_LBUTTONUP, 0, 130, 6);
    ASSERT_EQ(recorder.mouse.size(), 3u);
    EXPECT_EQ(recorder.mouse[1].kind, MouseEventKind::Release);
    EXPECT_EQ(recorder.mouse[1].x, 130);
    EXPECT_EQ(recorder.mouse[2].kind, MouseEventKind::Leave);
}

TEST_F(EditorWindow, LeavingIsReportedOnceAfterTheMouseCameIn) {
    send(WM_MOUSELEAVE, 0, 0, 0);
    EXPECT_TRUE(recorder.mouse.empty()) << "the mouse was never in";
    send(WM_MOUSEMOVE, 0, 10, 20);
    send(WM_MOUSELEAVE, 0, 0, 0);
    send(WM_MOUSELEAVE, 0, 0, 0);
    ASSERT_EQ(recorder.mouse.size(), 2u);
    EXPECT_EQ(recorder.mouse[0].kind, MouseEventKind::Move);
    EXPECT_EQ(recorder.mouse[0].x, 10);
    EXPECT_EQ(recorder.mouse[0].y, 20);
    EXPECT_EQ(recorder.mouse[1].kind, MouseEventKind::Leave);
}

TEST_F(EditorWindow, CaptureAndCursorGoThroughTheWindowSystem) {
    window->SetCapture(true);
    EXPECT_EQ(GetCapture(), child());
    window->SetCapture(false);
    EXPECT_EQ(GetCapture(), nullptr);

    const auto cursorOverClient = [&] {
        SetCursor(nullptr);
        EXPECT_TRUE(SendMessageA(child(), WM_SETCURSOR, reinterpret_cast<WPARAM>(child()),
                                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
        return GetCursor();
    };
    window->SetCursor(Cursor::HandPoint);
    EXPECT_EQ(cursorOverClient(), LoadCursor(nullptr, IDC_HAND));
    window->SetCursor(Cursor::Arrow);
    EXPECT_EQ(cursorOverClient(), LoadCursor(nullptr, IDC_ARROW));
}

TEST_F(EditorWindow, TimersTickFromTheMessagesOfWhicheverLoopPumps) {
    int ticks = 0;
    auto timer = window->CreateTimer([&] { ++ticks; });
    timer->Start(10);
    EXPECT_TRUE(timer->Running());
    Sleep(50);
    EXPECT_EQ(ticks, 0) << "ticks come only from pumped messages";
    for (int i = 0; i < 2000 && ticks < 3; ++i) {
        window->Idle();
        Sleep(1);
    }
    EXPECT_GE(ticks, 3) << "through Idle";
    const int afterIdle = ticks;
    hostLoop(2000, [&] { return ticks >= afterIdle + 3; });
    EXPECT_GE(ticks, afterIdle + 3) << "through the host's loop";
    timer->Stop();
    EXPECT_FALSE(timer->Running());
    const int stopped = ticks;
    hostLoop(100);
    EXPECT_EQ(ticks, stopped);
}

TEST_F(EditorWindow, ATimerThatOutlivesItsWindowNeverTicks) {
    int ticks = 0;
    auto timer = window->CreateTimer([&] { ++ticks; });
    timer->Start(5);
    window.reset();
    timer->Start(5);
    hostLoop(100);
    EXPECT_EQ(ticks, 0);
}

TEST_F(EditorWindow, TheHostDestroyingItsWindowFirstIsReportedOnceAndLeavesTheObjectHarmless) {
    window->Idle();
    int ticks = 0;
    auto timer = window->CreateTimer([&] { ++ticks; });
    timer->Start(5);
    const HWND old = child();
    DestroyWindow(host.Handle());
    EXPECT_EQ(recorder.destroyed, 1);
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(window->Handle(), nullptr) << "a dead handle may soon name another window";

    const std::size_t paints = recorder.paints.size();
    window->Invalidate({0, 0, 120, 80});
    window->Present(recorder.backBuffer, {0, 0, 120, 80}, 0, 0);
    window->SetCapture(true);
    window->SetCursor(Cursor::HandPoint);
    window->Idle();
    hostLoop(50);
    EXPECT_EQ(recorder.paints.size(), paints);
    EXPECT_EQ(ticks, 0);
    EXPECT_NE(GetCapture(), old);

    timer.reset();
    window.reset();
    EXPECT_EQ(recorder.destroyed, 1) << "freeing the object reports nothing more";
}

TEST_F(EditorWindow, FreeingTheObjectDestroysTheWindowSilentlyAndANewOneOpensAfter) {
    const HWND old = child();
    window.reset();
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(recorder.destroyed, 0) << "the owner knows; nothing is reported";
    EXPECT_TRUE(IsWindow(host.Handle()));

    window = CreateChildWindow(ParentWindow::Native(host.Handle()), 120, 80, recorder);
    recorder.window = window.get();
    window->Idle();
    EXPECT_EQ(shown(child(), 60, 40), asColorref(0x00336699)) << "the window class is there again";
}

// ---- the desktop's scale

// Wine and an unscaled desktop give the parent 96 dpi; whatever the system is set to, the answer is
// the dpi the window system draws the window at, which GDI reports for the screen.
TEST(DesktopScaleOfWindows, IsTheParentsDpiOverNinetySix) {
    HostFrame host;
    ASSERT_NE(host.Handle(), nullptr);
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    ASSERT_GT(dpi, 0);
    EXPECT_DOUBLE_EQ(DesktopScale(ParentWindow::Native(host.Handle())), dpi / 96.0);
}

TEST(DesktopScaleOfWindows, AHandleThatNamesNoWindowHasNone) {
    std::uint64_t notAWindow[4] = {};
    EXPECT_EQ(DesktopScale(ParentWindow::Native(notAWindow)), 0.0);
    EXPECT_EQ(DesktopScale(ParentWindow::Native(nullptr)), 0.0);
    HWND gone = nullptr;
    {
        HostFrame host;
        gone = host.Handle();
    }
    EXPECT_EQ(DesktopScale(ParentWindow::Native(gone)), 0.0) << "a destroyed window";
}

// ---- parent handles

TEST(ParentHandles, AHeadlessScreenGetsAHeadlessWindowAndAnythingElseIsRefused) {
    Recorder recorder;
    headless::Screen screen;
    auto headless = CreateChildWindow(platform::ParentWindow::Headless(screen), 20, 10, recorder);
    EXPECT_NE(dynamic_cast<headless::HeadlessWindow*>(headless.get()), nullptr);
    EXPECT_EQ(screen.WindowCount(), 1);

    std::uint64_t notAScreen[4] = {};
    EXPECT_THROW(CreateChildWindow(ParentWindow::Native(notAScreen), 20, 10, recorder), WindowError);
    EXPECT_THROW(CreateChildWindow(ParentWindow::Native(nullptr), 20, 10, recorder), WindowError);
    HostFrame host;
    EXPECT_THROW(CreateChildWindow(ParentWindow::Native(host.Handle()), 0, 10, recorder), WindowError);
}

} // namespace
