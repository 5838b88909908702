// The X11 desktop's scale on a private server: Xft.dpi from the resource database that xrdb keeps in
// the root window's RESOURCE_MANAGER property, else GDK_SCALE from the environment.
#include "platform/DesktopScale.h"
#include "tests/support/XvfbServer.h"

// Xlib's macros (None, Bool, Status) would break the test framework's headers: those come first.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

class X11DesktopScale : public ::testing::Test {
  protected:
    void SetUp() override {
        testing_support::privateDisplay();
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        if (const char* value = std::getenv("GDK_SCALE"))
            savedGdkScale = value;
        unsetenv("GDK_SCALE"); // the desktop running the tests may set it
    }
    void TearDown() override {
        if (display != nullptr) {
            XDeleteProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER);
            XCloseDisplay(display);
        }
        if (savedGdkScale)
            setenv("GDK_SCALE", savedGdkScale->c_str(), 1);
        else
            unsetenv("GDK_SCALE");
    }

    // What `xrdb -load` leaves on the server.
    void setResources(const std::string& text) {
        XChangeProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER, XA_STRING, 8,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(text.data()),
                        static_cast<int>(text.size()));
        XSync(display, False);
    }
    // The scale for an editor opened in a window of this desktop.
    double scale() const {
        const auto root = static_cast<std::uintptr_t>(DefaultRootWindow(display));
        return platform::DesktopScale(platform::ParentWindow::Native(reinterpret_cast<void*>(root)));
    }

    Display* display = nullptr;
    std::optional<std::string> savedGdkScale;
};

TEST_F(X11DesktopScale, XftDpiOverNinetySixIsTheScale) {
    setResources("Xft.antialias:\t1\nXft.dpi:\t144\nXft.hinting:\t1\n");
    EXPECT_DOUBLE_EQ(scale(), 1.5);
    setResources("Xcursor.size:\t48\nXft.dpi: 120");
    EXPECT_DOUBLE_EQ(scale(), 1.25) << "the server's current database, without a line end at its close";
    setResources("Xft.dpi:\t192.5\n");
    EXPECT_DOUBLE_EQ(scale(), 192.5 / 96);
    setResources("Xft.dpi:\t96\n");
    EXPECT_DOUBLE_EQ(scale(), 1.0);
}

TEST_F(X11DesktopScale, XftDpiComesBeforeGdkScale) {
    setenv("GDK_SCALE", "2", 1);
    setResources("Xft.dpi:\t144\n");
    EXPECT_DOUBLE_EQ(scale(), 1.5);
}

TEST_F(X11DesktopScale, WithoutAUsableXftDpiGdkScaleCounts) {
    setenv("GDK_SCALE", "2", 1);
    EXPECT_DOUBLE_EQ(scale(), 2.0) << "no resource database at all";
    for (const char* resources : {"Xft.antialias:\t1\n", "Xft.dpi:\thigh\n", "Xft.dpi:\t0\n",
                                  "Xft.dpi:\t-144\n", "Xft.dpi:\t144dpi\n", "Xft.dpi:\n", "! Xft.dpi:\t144\n",
                                  "Xft.dpiX:\t144\n", "*.Xft.dpi:\t144\n", "Xft.dpi\t144\n"}) {
        setResources(resources);
        EXPECT_DOUBLE_EQ(scale(), 2.0) << resources;
    }
}

TEST_F(X11DesktopScale, NothingUsableAnywhereIsZero) {
    EXPECT_EQ(scale(), 0.0);
    setResources("Xft.dpi:\tnan\n");
    for (const char* gdkScale : {"", "two", "0", "-2", "inf", "2x"}) {
        setenv("GDK_SCALE", gdkScale, 1);
        EXPECT_EQ(scale(), 0.0) << '"' << gdkScale << '"';
    }
}

TEST_F(X11DesktopScale, WithoutAServerOnlyTheEnvironmentSpeaks) {
    const std::string saved = std::getenv("DISPLAY");
    unsetenv("DISPLAY");
    EXPECT_EQ(scale(), 0.0);
    setenv("GDK_SCALE", "2", 1);
    EXPECT_DOUBLE_EQ(scale(), 2.0);
    setenv("DISPLAY", saved.c_str(), 1);
}

} // namespace
