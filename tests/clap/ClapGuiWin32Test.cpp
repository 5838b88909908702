// TMX-1.clap's panel in a Win32 window of our CLAP host, as a Windows DAW embeds it: made as the
// window's child at its size, idled by the host's timer, and gone with its timer when destroyed.
#include "tests/clap/ClapTestHost.h"
#include "tests/support/UserSettingsSandbox.h"

#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <utility>

namespace {

// The host's message loop and timers, at about 100 Hz.
void pump(claptest::ClapInstance& instance, int milliseconds) {
    for (int elapsed = 0; elapsed < milliseconds; elapsed += 10) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        instance.fireTimers();
        Sleep(10);
    }
}

TEST(ClapGuiOnWin32, ThePanelIsAChildOfTheHostsWindowUntilDestroyed) {
    testing_support::UserSettingsSandbox settings("ClapGuiOnWin32");
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TMX1ClapTestHost";
    RegisterClassA(&windowClass);
    HWND host = CreateWindowExA(0, "TMX1ClapTestHost", "Test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                600, 320, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(host, nullptr);

    {
        claptest::ClapInstance instance(claptest::loadedEntry());
        const auto& gui = instance.extension<clap::clap_plugin_gui>(clap::kExtGui);
        const clap::clap_plugin* plugin = &instance.plugin();
        EXPECT_TRUE(gui.is_api_supported(plugin, "win32", false));
        EXPECT_FALSE(gui.is_api_supported(plugin, "x11", false));
        ASSERT_TRUE(gui.create(plugin, "win32", false));
        EXPECT_EQ(instance.timers.size(), 1u);
        clap::clap_window window{clap::kWindowApiWin32, {}};
        window.win32 = host;
        ASSERT_TRUE(gui.set_parent(plugin, &window));
        ASSERT_TRUE(gui.show(plugin));
        HWND panel = GetWindow(host, GW_CHILD);
        ASSERT_NE(panel, nullptr);
        RECT client{};
        GetClientRect(panel, &client);
        EXPECT_EQ(std::make_pair(client.right, client.bottom), std::make_pair(570L, 265L));
        pump(instance, 100);
        EXPECT_TRUE(IsWindow(panel)) << "the idles keep it";

        gui.destroy(plugin);
        EXPECT_FALSE(IsWindow(panel));
        EXPECT_EQ(GetWindow(host, GW_CHILD), nullptr);
        EXPECT_TRUE(instance.timers.empty());
    }
    DestroyWindow(host);
}

} // namespace
