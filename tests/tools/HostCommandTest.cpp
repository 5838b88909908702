// tmx1-host as a user runs it: output of `info`, and one clear line and a failing exit for each
// way a plug-in can fail to load.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace {

struct Result {
    int exitCode;
    std::string output; // stdout and stderr together
};

Result runHost(const std::string& arguments) {
    const std::string command = std::string(TMX1_HOST_PATH) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return {-1, "popen failed"};
    std::string output;
    std::array<char, 4096> buffer{};
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

int lineCount(const std::string& text) {
    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

TEST(HostInfo, ShowsIdentityChannelsLatencyAndFlags) {
    const Result r = runHost("info");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    for (const char* expected :
         {"Effect name     TMX-1\n", "Vendor          Brindlow Audio\n", "Product         TMX-1\n",
          "Vendor version  1\n", "VST version     2300\n", "Unique ID       'q4y9' (1899264313)\n",
          "Category        Unknown (0)\n", "Channels        2 in, 2 out\n", "Latency         22 samples\n",
          "Flags           HasEditor CanMono CanReplacing (0x19)\n"})
        EXPECT_NE(r.output.find(expected), std::string::npos) << "missing: " << expected << "\n" << r.output;
}

TEST(HostInfo, ListsParametersAsAnAlignedTableAndAllPrograms) {
    const Result r = runHost(std::string("info ") + TMX1_PLUGIN_PATH);
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("    0  Threshold     0.8000  0.000 dB  %\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("    1  Release       0.4400  104.4 ms  %\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("    3  Release Type  1.0000  Opto      %\n"), std::string::npos) << r.output;
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
        const Result r = runHost("info " + c.path);
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
