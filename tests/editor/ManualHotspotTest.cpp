// The manual hotspot on Linux: the path comes from the machine settings file and goes to the
// desktop's opener, here a stand-in on PATH that records what it was given.
#include "tests/editor/EditorFixture.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace editortest {
namespace {

class ManualHotspot : public OpenEditor {
  protected:
    void SetUp() override {
        OpenEditor::SetUp();
        // A folder per test and process: ctest runs tests in parallel.
        folder = std::filesystem::temp_directory_path() /
                 ("tmx1-manual-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder / "Brindlow Audio");
        std::filesystem::create_directories(folder / "bin");
        record = folder / "opened.txt";
        // Written aside and renamed, so a reader never sees half of it.
        std::ofstream(folder / "bin" / "xdg-open") << "#!/bin/sh\nprintf '%s' \"$1\" > '" << record.string()
                                                   << ".part' && mv '" << record.string() << ".part' '"
                                                   << record.string() << "'\n";
        std::filesystem::permissions(folder / "bin" / "xdg-open", std::filesystem::perms::owner_all);
        oldPath = std::getenv("PATH");
        setenv("PATH", ((folder / "bin").string() + ":" + oldPath).c_str(), 1);
        setenv("XDG_CONFIG_DIRS", folder.string().c_str(), 1);
        // The user's own settings come first: those of whoever runs the tests must not count.
        setenv("XDG_CONFIG_HOME", (folder / "user").string().c_str(), 1);
        openEditor();
    }
    void TearDown() override {
        setenv("PATH", oldPath.c_str(), 1);
        unsetenv("XDG_CONFIG_DIRS");
        unsetenv("XDG_CONFIG_HOME");
        std::filesystem::remove_all(folder);
        OpenEditor::TearDown();
    }
    void setManual(const std::string& line) {
        std::ofstream(folder / "Brindlow Audio" / "TMX-1.conf") << line << "\n";
    }
    // What the opener received, waiting a little for it to run.
    std::string opened() {
        for (int i = 0; i < 300 && !std::filesystem::exists(record); ++i)
            usleep(10000);
        std::ifstream in(record);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path folder, record;
    std::string oldPath;
};

TEST_F(ManualHotspot, OpensTheConfiguredDocument) {
    setManual("Manual=/usr/share/doc/tmx-1/TMX-1 Manual.pdf");
    click(*window().UsersManual);
    EXPECT_EQ(opened(), "/usr/share/doc/tmx-1/TMX-1 Manual.pdf");
}

TEST_F(ManualHotspot, MissingEmptyOrOverlongValuesOpenNothing) {
    click(*window().UsersManual); // no settings file at all
    setManual("Manual=");
    click(*window().UsersManual);
    setManual("Manual=/" + std::string(255, 'a')); // 256 characters: cutting it would open another file
    click(*window().UsersManual);
    usleep(200000);
    EXPECT_FALSE(std::filesystem::exists(record));
    setManual("Manual=/" + std::string(254, 'a'));
    click(*window().UsersManual);
    EXPECT_EQ(opened().size(), 255u);
}

} // namespace
} // namespace editortest
