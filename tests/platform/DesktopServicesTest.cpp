// The machine settings file, the user's own settings and the desktop's open operation.
#include "platform/MachineSettings.h"
#include "platform/Shell.h"
#include "platform/UserFolders.h"
#include "platform/UserSettings.h"
#include "platform/headless/Screen.h"

#include "tests/support/ScopedEnvironment.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

using testing_support::ScopedEnvironment;

class DesktopServices : public ::testing::Test {
  protected:
    void SetUp() override {
        folder =
            fs::temp_directory_path() /
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
    static std::string contents(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
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
    const auto manual = [] {
        return platform::ReadMachineString("\\Software\\Brindlow Audio\\TMX-1", "Manual");
    };
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
        EXPECT_EQ(manual(), std::optional<std::string>("/from/dot-config.pdf"))
            << "a relative folder is ignored";
    }
}

// The user's own files (presets) go to $XDG_DATA_HOME or, without it or with a relative one, to
// ~/.local/share.
TEST_F(DesktopServices, TheUsersDataFolderFollowsTheXdgRules) {
    ScopedEnvironment home("HOME", (folder / "home").string());
    {
        ScopedEnvironment data("XDG_DATA_HOME", (folder / "data").string());
        EXPECT_EQ(platform::UserDataFolder(), std::optional<fs::path>(folder / "data"));
    }
    {
        ScopedEnvironment relative("XDG_DATA_HOME", "relative/data");
        EXPECT_EQ(platform::UserDataFolder(), std::optional<fs::path>(folder / "home" / ".local" / "share"));
        unsetenv("XDG_DATA_HOME");
        EXPECT_EQ(platform::UserDataFolder(), std::optional<fs::path>(folder / "home" / ".local" / "share"));
        unsetenv("HOME");
        EXPECT_EQ(platform::UserDataFolder(), std::nullopt) << "no home, no folder";
    }
}

TEST_F(DesktopServices, AnEmptyValueIsThereButEmpty) {
    write(folder / "Brindlow Audio" / "TMX-1.conf", "Manual=\n");
    ScopedEnvironment dirs("XDG_CONFIG_DIRS", folder.string());
    EXPECT_EQ(platform::ReadMachineString("\\Software\\Brindlow Audio\\TMX-1", "Manual"),
              std::optional<std::string>(""));
}

// ---- the user's own settings: lines of the user's settings file, beside an installation's

class UserSettings : public DesktopServices {
  protected:
    static constexpr const char* kKey = "\\Software\\Brindlow Audio\\TMX-1";
    fs::path userFile() const { return folder / "user" / "Brindlow Audio" / "TMX-1.conf"; }
    static std::optional<long long> zoom() { return platform::ReadUserNumber(kKey, "Zoom"); }
};

TEST_F(UserSettings, ANumberWrittenIsReadBackFromAFileMadeWithItsFolders) {
    EXPECT_EQ(zoom(), std::nullopt) << "nothing remembered yet";
    ASSERT_TRUE(platform::WriteUserNumber(kKey, "Zoom", 150));
    EXPECT_EQ(contents(userFile()), "Zoom=150\n");
    EXPECT_EQ(zoom(), std::optional<long long>(150));
    ASSERT_TRUE(platform::WriteUserNumber(kKey, "Zoom", -200));
    EXPECT_EQ(zoom(), std::optional<long long>(-200));
    EXPECT_EQ(contents(userFile()), "Zoom=-200\n") << "the line replaced, not added again";
}

// A per-user installation names the manual in the same file: storing the zoom must leave that line,
// comments and sections as they are, and whatever else is in the file.
TEST_F(UserSettings, WritingKeepsEveryOtherLineAndLeavesOneLineForTheValue) {
    write(userFile(), "# installed for you alone\n[General]\nManual=/home/u/m.pdf\n zoom = 100 \n"
                      "; Zoom=175 only a comment\nOther=1\r\nZOOM=175\nlast line without end");
    ASSERT_TRUE(platform::WriteUserNumber(kKey, "Zoom", 200));
    EXPECT_EQ(contents(userFile()), "# installed for you alone\n[General]\nManual=/home/u/m.pdf\nZoom=200\n"
                                    "; Zoom=175 only a comment\nOther=1\r\nlast line without end\n");
    EXPECT_EQ(zoom(), std::optional<long long>(200));
    EXPECT_EQ(platform::ReadMachineString(kKey, "Manual"), std::optional<std::string>("/home/u/m.pdf"));

    write(userFile(), "Manual=/home/u/m.pdf");
    ASSERT_TRUE(platform::WriteUserNumber(kKey, "Zoom", 150));
    EXPECT_EQ(contents(userFile()), "Manual=/home/u/m.pdf\nZoom=150\n") << "a new line, after the last one";
}

// The file is replaced at once: an editor reading it while another writes sees one whole version, and
// nothing of the writing is left beside it.
TEST_F(UserSettings, TheFileIsReplacedWholeKeepingItsPermissionsAndLeavingNothingBeside) {
    write(userFile(), "Manual=/home/u/m.pdf\n");
    fs::permissions(userFile(), fs::perms::owner_read | fs::perms::owner_write);
    struct stat before {};
    ASSERT_EQ(stat(userFile().c_str(), &before), 0);

    ASSERT_TRUE(platform::WriteUserNumber(kKey, "Zoom", 150));
    struct stat after {};
    ASSERT_EQ(stat(userFile().c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino) << "a new file renamed over the old, not the old rewritten";
    EXPECT_EQ(after.st_mode & 07777, 0600u);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(userFile().parent_path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"TMX-1.conf"});
}

TEST_F(UserSettings, ASettingsFileLinkedFromElsewhereStaysALink) {
    write(folder / "dotfiles" / "tmx1.conf", "Manual=/m.pdf\n");
    fs::create_directories(userFile().parent_path());
    fs::create_symlink(folder / "dotfiles" / "tmx1.conf", userFile());
    ASSERT_TRUE(platform::WriteUserNumber(kKey, "Zoom", 200));
    EXPECT_TRUE(fs::is_symlink(userFile()));
    EXPECT_EQ(contents(folder / "dotfiles" / "tmx1.conf"), "Manual=/m.pdf\nZoom=200\n");
}

TEST_F(UserSettings, AValueThatIsNoWholeNumberReadsAsNothing) {
    for (const char* value : {"", "big", "150%", "1.5", "0x96", "+150", "1 50", "99999999999999999999"}) {
        write(userFile(), std::string("Zoom=") + value + "\n");
        EXPECT_EQ(zoom(), std::nullopt) << '"' << value << '"';
    }
    write(userFile(), "Zoom = \t150 \n");
    EXPECT_EQ(zoom(), std::optional<long long>(150)) << "blanks around the number do not count";
}

// The zoom is the user's: the machine's file does not supply it, and the user's file holding it does not
// hide the machine's installation settings.
TEST_F(UserSettings, TheUsersNumbersAndTheMachinesSettingsDoNotHideEachOther) {
    write(folder / "machine" / "Brindlow Audio" / "TMX-1.conf",
          "Manual=/usr/share/doc/tmx-1/m.pdf\nZoom=200\n");
    ScopedEnvironment dirs("XDG_CONFIG_DIRS", (folder / "machine").string());
    EXPECT_EQ(zoom(), std::nullopt);
    ASSERT_TRUE(platform::WriteUserNumber(kKey, "Zoom", 150));
    EXPECT_EQ(zoom(), std::optional<long long>(150));
    EXPECT_EQ(platform::ReadMachineString(kKey, "Manual"),
              std::optional<std::string>("/usr/share/doc/tmx-1/m.pdf"));
}

TEST_F(UserSettings, WithoutXdgConfigHomeTheFileIsInDotConfig) {
    ScopedEnvironment home("HOME", (folder / "home").string());
    ScopedEnvironment unset("XDG_CONFIG_HOME", "");
    unsetenv("XDG_CONFIG_HOME");
    ASSERT_TRUE(platform::WriteUserNumber(kKey, "Zoom", 150));
    EXPECT_EQ(contents(folder / "home" / ".config" / "Brindlow Audio" / "TMX-1.conf"), "Zoom=150\n");
    EXPECT_EQ(zoom(), std::optional<long long>(150));
}

// Tests run as root, whom permissions do not stop: a folder where the file should be is what cannot
// be read, and a file where a folder should be is what cannot be made.
TEST_F(UserSettings, WhatCannotBeReadOrWrittenIsReportedAndLeftAsItWas) {
    fs::create_directories(userFile());
    EXPECT_EQ(zoom(), std::nullopt);
    EXPECT_FALSE(platform::WriteUserNumber(kKey, "Zoom", 150));
    EXPECT_TRUE(fs::is_directory(userFile()));
    fs::remove_all(userFile());

    write(folder / "user" / "Blocked", "a file, not a folder\n");
    EXPECT_FALSE(platform::WriteUserNumber("\\Software\\Blocked\\TMX-1", "Zoom", 150));
    EXPECT_EQ(contents(folder / "user" / "Blocked"), "a file, not a folder\n");

    EXPECT_FALSE(platform::WriteUserNumber("\\Software\\..\\..\\escaped", "Zoom", 150));
    EXPECT_FALSE(fs::exists(folder / "escaped.conf"));
    EXPECT_FALSE(fs::exists(fs::path(folder).parent_path() / "escaped.conf"));
}

TEST_F(UserSettings, ANameThatCouldNotBeReadBackIsRefused) {
    for (const char* name : {"", "Zo=om", "Zoom\nManual", " Zoom", "Zoom\t", "#Zoom", "[Zoom]"})
        EXPECT_FALSE(platform::WriteUserNumber(kKey, name, 150)) << '"' << name << '"';
    EXPECT_FALSE(fs::exists(userFile()));
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
