// tmx1-host as a user runs it: output of `info`, and one clear line and a failing exit for each
// way a plug-in can fail to load.
#include "tests/tools/HostProcess.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using testing_support::HostRun;
using testing_support::lineCount;
using testing_support::runHost;

TEST(HostInfo, ShowsIdentityChannelsLatencyAndFlags) {
    const HostRun r = runHost("info");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    for (const char* expected :
         {"Effect name     TMX-1\n", "Vendor          Brindlow Audio\n", "Product         TMX-1\n",
          "Vendor version  1\n", "Version         1.10\n", "VST version     2300\n", "Unique ID       'q4y9' (1899264313)\n",
          "Category        Unknown (0)\n", "Channels        2 in, 2 out\n", "Latency         22 samples\n",
          "Flags           HasEditor CanMono CanReplacing (0x19)\n"})
        EXPECT_NE(r.output.find(expected), std::string::npos) << "missing: " << expected << "\n" << r.output;
}

TEST(HostInfo, TheProductVersionIsTheBuildsOneVersionAndOnlyOurPlugInsGiveOne) {
    const HostRun version = runHost("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, "tmx1-host 1.10\n");
    const HostRun other = runHost(std::string("info ") + FIXTURE_DELAY);
    ASSERT_EQ(other.exitCode, 0) << other.output;
    EXPECT_EQ(other.output.find("\nVersion "), std::string::npos) << "a plug-in of another maker answers nothing";
}

TEST(HostInfo, ListsParametersAsAnAlignedTableAndAllPrograms) {
    const HostRun r = runHost(std::string("info ") + TMX1_PLUGIN_PATH);
    ASSERT_EQ(r.exitCode, 0) << r.output;
    // TMX-1's labels are empty (its displays carry their units), so the table has no label column.
    EXPECT_NE(r.output.find("    #  Name           Value  Display\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("    0  Threshold     0.8000  0.000 dB\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("    1  Release       0.4400  104.4 ms\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("    3  Release Type  1.0000  Classic\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("    0  Warm Tollimation\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("    9  Pumper\n"), std::string::npos) << r.output;
}

TEST(HostInfo, LoadFailuresAreOneClearLineAndAFailingExit) {
    struct Case {
        std::string path;
        const char* reason;
    };
    const Case cases[] = {
        {"/nonexistent/plugin.so", "no such file"},
        {std::string(TESTS_SOURCE_DIR) + "/tools/fixtures/NoEntry.cpp", "not a loadable shared library"},
        {FIXTURE_NO_ENTRY, "no VST 2.x entry"},
        {FIXTURE_NULL_EFFECT, "returned no effect"},
        {FIXTURE_BAD_MAGIC, "without the VST magic"},
    };
    for (const auto& c : cases) {
        const HostRun r = runHost("info " + c.path);
        EXPECT_NE(r.exitCode, 0) << c.path;
        EXPECT_EQ(lineCount(r.output), 1) << r.output;
        EXPECT_NE(r.output.find(c.reason), std::string::npos) << r.output;
        EXPECT_NE(r.output.find(c.path), std::string::npos) << r.output;
    }
}

TEST(HostInfo, UnknownCommandsAndExtraArgumentsAreUsageErrors) {
    EXPECT_EQ(runHost("frobnicate").exitCode, 2);
    EXPECT_EQ(runHost("info a.so b.so").exitCode, 2);
    EXPECT_EQ(runHost("").exitCode, 2);
}

} // namespace
