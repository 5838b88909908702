// `tmx1-host demo` and `tmx1-host bench` as a user runs them.
#include "tests/tools/HostProcess.h"
#include "tests/tools/TestSounds.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

using namespace testing_support;

TEST(Demo, WritesTheDemoInputAndItsRenderThroughWarmTollimationOfEqualLength) {
    ScratchFolder folder;
    const HostRun r = runHost("demo " + (folder / "demo").string());
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("\"Warm Tollimation\""), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Gain reduction"), std::string::npos) << r.output;
    const Sound in = readSound(folder / "demo" / "demo-in.wav");
    const Sound out = readSound(folder / "demo" / "demo-out.wav");
    EXPECT_EQ(in.sampleRate, 44100);
    EXPECT_EQ(out.channels, 2);
    EXPECT_EQ(out.frames(), in.frames());
    EXPECT_GE(in.frames(), 2 * 44100);
}

TEST(Demo, RendersThroughTheSameAlignedPathAsRender) {
    ScratchFolder folder;
    const HostRun r = runHost("demo --plugin " + std::string(FIXTURE_DELAY) + " --program Straight " +
                              (folder / "").string());
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const Sound in = readSound(folder / "demo-in.wav");
    const Sound out = readSound(folder / "demo-out.wav");
    ASSERT_EQ(out.samples.size(), in.samples.size());
    EXPECT_EQ(out.samples, in.samples);
}

double number(const std::smatch& match, int group) { return std::stod(match[group].str()); }

TEST(Bench, TimesBothEffectsAndPrintsTheRatioOfTheFirstToTheSecond) {
    const HostRun r = runHost("bench --plugin " + std::string(FIXTURE_DELAY) + " --vs " +
                              std::string(FIXTURE_DELAY_ACCUMULATING) + " --seconds 0.2");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const std::regex line(R"(([\w.-]+\.so) +([0-9.]+) ns/frame +([0-9.]+)x real time\n)");
    std::vector<double> costs;
    for (std::sregex_iterator it(r.output.begin(), r.output.end(), line), end; it != end; ++it) {
        costs.push_back(number(*it, 2));
        EXPECT_NEAR(number(*it, 3), 1e9 / (number(*it, 2) * 44100.0), 0.01 * number(*it, 3)) << r.output;
    }
    ASSERT_EQ(costs.size(), 2u) << r.output;
    std::smatch ratio;
    ASSERT_TRUE(std::regex_search(r.output, ratio, std::regex(R"(Ratio: ([0-9.]+) \((\S+) / (\S+)\))")))
        << r.output;
    EXPECT_NEAR(number(ratio, 1), costs[0] / costs[1], 0.01 * costs[0] / costs[1]) << r.output;
    EXPECT_NE(ratio[2].str().find("delay"), std::string::npos);
    EXPECT_NE(ratio[3].str().find("accumulating"), std::string::npos);
}

TEST(Bench, BadDurationsAndStrayArgumentsAreUsageErrors) {
    for (const char* arguments : {"bench --seconds 0", "bench --seconds soon", "bench extra", "bench --vs"})
        EXPECT_EQ(runHost(arguments).exitCode, 2) << arguments;
}

TEST(Bench, AnEffectThatCannotBeLoadedIsOneLineAndAFailingExit) {
    const HostRun r = runHost("bench --vs /nonexistent/other.so --seconds 0.1");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(lineCount(r.output), 1) << r.output;
    EXPECT_NE(r.output.find("/nonexistent/other.so"), std::string::npos) << r.output;
}

} // namespace
