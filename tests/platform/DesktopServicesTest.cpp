// The machine settings file and the desktop's open operation.
#include "platform/MachineSettings.h"
#include "platform/Shell.h"
#include "platform/headless/Screen.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

// Sets an environment variable for one test and puts the old value back afterwards.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

class DesktopServices : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("tmx1-desktop-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        // The user running the tests may have settings of their own: they must not count here.
        userConfig.emplace("XDG_CONFIG_HOME", (folder / "user").string());
    }
    void TearDown() override {
        userConfig.reset();
        fs::remove_all(folder);
    }

    void write(const fs::path& path, const std::string& text) {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << text;
    }

    fs::path folder;
    std::optional<ScopedEnvironment> userConfig;
};

TEST_F(DesktopServices, SettingsComeFromTheFirstConfigDirectoryThatHasTheFile) {
    write(folder / "b" / "Brindlow Audio" / "TMX-1.conf",
          "# installed by the package\n[General]\n  manual = /opt/tmx1/Manual v1.pdf  \nOther=x\n");
    write(folder / "c" / "Brindlow Audio" / "TMX-1.conf", "Manual=/elsewhere.pdf\n");
    ScopedEnvironment dirs("XDG_CONFIG_DIRS", "relative/ignored:" + (folder / "a").string() + ":" +
                                                  (folder / "b").string() + ":" + (folder / "c").string());

    EXPECT_EQ(platform::ReadMachineString("\\Software\\Brindlow Audio\\TMX-1", "Manual"),
              std::optional<std::string>("/opt/tmx1/Manual v1.pdf"))
        << "name matched without regard to case, value trimmed, the first file decides";
    EXPECT_EQ(platform::ReadMachineString("\\Software\\Brindlow Audio\\TMX-1", "Missing"), std::nullopt);
    EXPECT_EQ(platform::ReadMachineString("\\Software\\Brindlow Audio\\Nothing", "Manual"), std::nullopt);
    EXPECT_EQ(platform::ReadMachineString("\\Software\\..\\..\\etc\\passwd", "root"), std::nullopt)
        << "a key path never leaves the settings folder";
}

// A per-user installation names its manual in the user's own settings; they come before the machine's,
// in $XDG_CONFIG_HOME or, without it (or with a relative one, which XDG rules out), in ~/.config.
TEST_F(DesktopServices, TheUsersOwnSettingsComeBeforeTheMachines) {
    write(folder / "machine" / "Brindlow Audio" / "TMX-1.conf", "Manual=/usr/share/doc/tmx-1/m.pdf\n");
    ScopedEnvironment dirs("XDG_CONFIG_DIRS", (folder / "machine").string());
    ScopedEnvironment home("HOME", (folder / "home").string());
    const auto manual = [] { return platform::ReadMachineString("\\Software\\Brindlow Audio\\TMX-1", "Manual"); };
    EXPECT_EQ(manual(), std::optional<std::string>("/usr/share/doc/tmx-1/m.pdf")) << "no user file yet";

    write(folder / "user" / "Brindlow Audio" / "TMX-1.conf", "Manual=/home/u/.local/share/doc/tmx-1/m.pdf\n");
    EXPECT_EQ(manual(), std::optional<std::string>("/home/u/.local/share/doc/tmx-1/m.pdf"));

    write(folder / "home" / ".config" / "Brindlow Audio" / "TMX-1.conf", "Manual=/from/dot-config.pdf\n");
    {
        ScopedEnvironment unset("XDG_CONFIG_HOME", "");
        unsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(manual(), std::optional<std::string>("/from/dot-config.pdf")) << "~/.config by default";
    }
    {
        ScopedEnvironment relative("XDG_CONFIG_HOME", "relative/user");
        EXPECT_EQ(manual(), std::optional<std::string>("/from/dot-config.pdf")) << "a relative folder is ignored";
    }
}

TEST_F(DesktopServices, AnEmptyValueIsThereButEmpty) {
    write(folder / "Brindlow Audio" / "TMX-1.conf", "Manual=\n");
    ScopedEnvironment dirs("XDG_CONFIG_DIRS", folder.string());
    EXPECT_EQ(platform::ReadMachineString("\\Software\\Brindlow Audio\\TMX-1", "Manual"),
              std::optional<std::string>(""));
}

// A stand-in for xdg-open found first on PATH: it writes its arguments, one per line, to a file.
TEST_F(DesktopServices, ShellOpenPassesTheTargetAsOneArgumentAndLeavesNoChildBehind) {
    const fs::path record = folder / "opened.txt";
    write(folder / "bin" / "xdg-open", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" +
                                           record.string() + ".part'\nmv '" + record.string() + ".part' '" +
                                           record.string() + "'\n");
    fs::permissions(folder / "bin" / "xdg-open", fs::perms::owner_all);
    ScopedEnvironment path("PATH", (folder / "bin").string() + ":" + std::getenv("PATH"));

    const std::string target = "/tmp/My Manual; $(touch " + (folder / "pwned").string() + ").pdf";
    ASSERT_TRUE(platform::ShellOpen(nullptr, target));

    for (int i = 0; i < 500 && !fs::exists(record); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(record);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), target + "\n") << "exactly one argument, unchanged";
    EXPECT_FALSE(fs::exists(folder / "pwned")) << "no shell interpreted the target";

    int status = 0;
    EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD) << "the opener is not our child, so it can never be a zombie of ours";
}

} // namespace
