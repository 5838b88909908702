// The ten programs: factory contents, switching, renaming and edits that stay with their program.
#include "tests/support/LoadedPlugin.h"

#include "dsp/ParameterTable.h"

#include <array>
#include <cstring>
#include <string>

using testing_support::LoadedPlugin;

namespace {

const std::array<const char*, 10> kFactoryNames{
    "Warm Tollimation", "Smooth Tollimation", "Fast Tollimation", "Drums and Bass", "Opto Mixdown",
    "Soft Mastering",   "Hot Mastering",      "Maximum Loudness", "Drum Mix",       "Pumper"};

TEST_F(LoadedPlugin, ConstructionLoadsProgramZero) {
    EXPECT_EQ(currentProgram(), 0);
    EXPECT_EQ(programName(), "Warm Tollimation");
    EXPECT_EQ(plugin->getParameter(tmx1::kRelease), 0.44f);
    const float program0[] = {0.8f, 0.44f, 1.0f, 1.0f, 0.5f, 0.5f, 1.0f, 0.0f, 1.0f, 0.0f};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(plugin->getParameter(i), program0[i]) << i;
}

TEST_F(LoadedPlugin, ProgramNamesByIndex) {
    for (int p = 0; p < 10; ++p) {
        char name[64] = {};
        EXPECT_EQ(plugin->dispatch(vst::effGetProgramNameIndexed, p, 0, name), 1);
        EXPECT_STREQ(name, kFactoryNames[static_cast<std::size_t>(p)]);
    }
    for (int index : {10, 11, -1}) {
        char name[8] = "keep";
        EXPECT_EQ(plugin->dispatch(vst::effGetProgramNameIndexed, index, 0, name), 0) << index;
        EXPECT_STREQ(name, "keep");
    }
}

// What the factory programs mean in display units, per program: release time, release type, knee,
// brick-wall.
struct FactoryMeaning {
    const char* release;
    const char* knee;
    bool pde;
    bool brickWall;
};

TEST_F(LoadedPlugin, FactoryProgramsShowTheirIntendedSettings) {
    const std::array<FactoryMeaning, 10> meanings{{
        {"104.4 ms", "10.00 dB", true, false},
        {"104.4 ms", "10.00 dB", true, false},
        {"5.000 ms", "10.00 dB", true, false},
        {"39.71 ms", "3.000 dB", true, false},
        {"2036  ms", "20.00 dB", true, false},
        {"511.6 ms", "0.600 dB", true, true},
        {"39.71 ms", "0.000 dB", true, true},
        {"9.976 ms", "0.000 dB", true, true},
        {"5.000 ms", "3.000 dB", false, false},
        {"208.4 ms", "0.000 dB", false, false},
    }};
    for (int p = 0; p < 10; ++p) {
        setProgram(p);
        const auto& m = meanings[static_cast<std::size_t>(p)];
        EXPECT_EQ(display(tmx1::kRelease), m.release) << "program " << p;
        EXPECT_EQ(display(tmx1::kKnee), m.knee) << "program " << p;
        EXPECT_EQ(display(tmx1::kThreshold), "0.000 dB") << "program " << p;
        EXPECT_EQ(display(tmx1::kGain), "0.000 dB") << "program " << p;
        EXPECT_EQ(display(tmx1::kPde), m.pde ? "On" : "Off") << "program " << p;
        EXPECT_EQ(display(tmx1::kBrickWall), m.brickWall ? "On" : "Off") << "program " << p;
        EXPECT_EQ(display(tmx1::kAutoGain), "On") << "program " << p;
        EXPECT_EQ(display(tmx1::kStereoLink), "On") << "program " << p;
    }
}

TEST_F(LoadedPlugin, SwitchingProgramsLoadsTheirValues) {
    EXPECT_EQ(setProgram(7), 0);
    EXPECT_EQ(currentProgram(), 7);
    EXPECT_EQ(plugin->getParameter(tmx1::kKnee), 0.0f);
    EXPECT_EQ(display(tmx1::kKnee), "0.000 dB");
    setProgram(3);
    EXPECT_EQ(currentProgram(), 3);
    EXPECT_EQ(programName(), "Drums and Bass");
    EXPECT_EQ(plugin->getParameter(tmx1::kKnee), 0.15f);
}

TEST_F(LoadedPlugin, OutOfRangeProgramNumbersChangeNothing) {
    setProgram(2);
    plugin->setParameter(tmx1::kGain, 0.9f);
    for (vst::IntPtr bad :
         {vst::IntPtr{10}, vst::IntPtr{-1}, vst::IntPtr{1000}, (vst::IntPtr{1} << 32) + 3}) {
        plugin->dispatch(vst::effSetProgram, 0, bad);
        EXPECT_EQ(currentProgram(), 2) << bad;
        EXPECT_EQ(plugin->getParameter(tmx1::kGain), 0.9f) << bad;
    }
}

TEST_F(LoadedPlugin, EditsStayWithTheirProgramAcrossSwitches) {
    plugin->setParameter(tmx1::kRelease, 0.9f);
    setProgram(4);
    EXPECT_EQ(plugin->getParameter(tmx1::kRelease), 0.87f);
    setProgram(0);
    EXPECT_EQ(plugin->getParameter(tmx1::kRelease), 0.9f);
}

TEST_F(LoadedPlugin, EditsDoNotReachANewInstance) {
    plugin->setParameter(tmx1::kRelease, 0.9f);
    char name[] = "Mine";
    plugin->dispatch(vst::effSetProgramName, 0, 0, name);
    host::HostedEffect fresh(host, testing_support::tmx1Library());
    EXPECT_EQ(fresh.getParameter(tmx1::kRelease), 0.44f);
    EXPECT_EQ(fresh.text(vst::effGetProgramName), "Warm Tollimation");
}

TEST_F(LoadedPlugin, RenamedProgramIsReadBackByIndex) {
    setProgram(3);
    char newName[] = "My Drums";
    EXPECT_EQ(plugin->dispatch(vst::effSetProgramName, 0, 0, newName), 0);
    EXPECT_EQ(programName(), "My Drums");
    setProgram(0);
    char name[64] = {};
    EXPECT_EQ(plugin->dispatch(vst::effGetProgramNameIndexed, 3, 0, name), 1);
    EXPECT_STREQ(name, "My Drums");
    EXPECT_EQ(programName(), "Warm Tollimation");
}

TEST_F(LoadedPlugin, LongProgramNamesAreCutTo51CharactersWithoutReadingFurther) {
    // 60 characters and no terminator: the effect may read 51 of them and no more.
    char unterminated[60];
    std::memset(unterminated, 'n', sizeof unterminated);
    plugin->dispatch(vst::effSetProgramName, 0, 0, unterminated);
    EXPECT_EQ(programName(), std::string(51, 'n'));
}

} // namespace
