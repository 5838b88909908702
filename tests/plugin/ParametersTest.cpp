// The ten parameters as a host sees them: storage with clamping, names, labels and display texts.
#include "tests/support/LoadedPlugin.h"

#include "dsp/ParameterTable.h"

#include <cmath>
#include <cstring>
#include <limits>

using testing_support::LoadedPlugin;

namespace {

TEST_F(LoadedPlugin, SetParameterClampsToTheUnitRange) {
    plugin->setParameter(tmx1::kThreshold, 1.5f);
    EXPECT_EQ(plugin->getParameter(tmx1::kThreshold), 1.0f);
    plugin->setParameter(tmx1::kThreshold, -0.2f);
    EXPECT_EQ(plugin->getParameter(tmx1::kThreshold), 0.0f);
    plugin->setParameter(tmx1::kThreshold, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(plugin->getParameter(tmx1::kThreshold), 0.0f);
    plugin->setParameter(tmx1::kThreshold, std::numeric_limits<float>::infinity());
    EXPECT_EQ(plugin->getParameter(tmx1::kThreshold), 1.0f);
    plugin->setParameter(tmx1::kThreshold, 0.3f);
    EXPECT_EQ(plugin->getParameter(tmx1::kThreshold), 0.3f);
}

TEST_F(LoadedPlugin, OutOfRangeIndicesAreIgnoredOnWriteAndReadAsTheLastParameter) {
    plugin->setParameter(tmx1::kTruePeak, 0.7f);
    for (int index : {10, 12, 1000, -1, -1000}) {
        plugin->setParameter(index, 0.3f);
        EXPECT_EQ(plugin->getParameter(index), 0.7f) << index;
    }
    for (int i = 0; i < 9; ++i)
        EXPECT_NE(plugin->getParameter(i), 0.3f) << "parameter " << i << " was written through a bad index";
}

TEST_F(LoadedPlugin, NamesAndLabels) {
    const char* names[] = {"Threshold", "Release",   "PDE",        "Release Type", "Knee",
                           "Gain",      "Auto-Gain", "Brick-Wall", "Stereo Link",  "True Peak"};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(plugin->text(vst::effGetParamName, i), names[i]);
    }
    EXPECT_EQ(plugin->text(vst::effGetParamName, 25), "True Peak");
    EXPECT_EQ(plugin->text(vst::effGetParamName, -3), "True Peak");
}

// The unit is part of every display text; a label would make hosts print "-30.0 dB %".
TEST_F(LoadedPlugin, LabelsAreEmptySoHostsDoNotRepeatTheUnit) {
    for (int index : {0, 1, 3, 5, 9, 40, -1}) {
        char label[16];
        std::memset(label, 'x', sizeof label);
        plugin->dispatch(vst::effGetParamLabel, index, 0, label);
        EXPECT_EQ(label[0], '\0') << index;
    }
}

struct DisplayCase {
    int index;
    float value;
    const char* text;
};

TEST_F(LoadedPlugin, DisplayTextsFollowTheLawsAndTheFiveCharacterCut) {
    const DisplayCase cases[] = {
        {0, 0.0f, "-40.0 dB"},  {0, 0.25f, "-27.5 dB"}, {0, 0.5f, "-15.0 dB"},  {0, 0.75f, "-2.50 dB"},
        {0, 1.0f, "10.00 dB"},  {0, 0.8f, "0.000 dB"},  {1, 0.0f, "5.000 ms"},  {1, 0.25f, "28.11 ms"},
        {1, 0.5f, "158.1 ms"},  {1, 0.75f, "889.1 ms"}, {1, 1.0f, "5000  ms"},  {4, 0.0f, "0.000 dB"},
        {4, 0.25f, "5.000 dB"}, {4, 0.5f, "10.00 dB"},  {4, 0.75f, "15.00 dB"}, {4, 1.0f, "20.00 dB"},
        {5, 0.0f, "-10.0 dB"},  {5, 0.25f, "-5.00 dB"}, {5, 0.5f, "0.000 dB"},  {5, 0.75f, "5.000 dB"},
        {5, 1.0f, "10.00 dB"},  {2, 0.5f, "Off"},       {2, 0.51f, "On"},       {6, 0.0f, "Off"},
        {7, 1.0f, "On"},        {8, 0.5f, "Off"},       {9, 0.5f, "Off"},       {9, 0.51f, "On"},
    };
    for (const auto& c : cases) {
        plugin->setParameter(c.index, c.value);
        EXPECT_EQ(display(c.index), c.text) << "parameter " << c.index << " at " << c.value;
    }
}

TEST_F(LoadedPlugin, OutOfRangeDisplaysWriteNothing) {
    char text[16];
    for (int index : {10, -1}) {
        std::memset(text, 'x', sizeof text);
        plugin->dispatch(vst::effGetParamDisplay, index, 0, text);
        EXPECT_EQ(text[0], 'x') << index;
    }
}

TEST_F(LoadedPlugin, ReleaseTypeShowsTheValuesTypeBeforeAnyBlock) {
    EXPECT_EQ(plugin->getParameter(tmx1::kReleaseType), 1.0f); // program 0 holds "Classic"
    EXPECT_EQ(display(tmx1::kReleaseType), "Classic");
    plugin->setParameter(tmx1::kReleaseType, 0.25f);
    EXPECT_EQ(display(tmx1::kReleaseType), "Pumper");
}

} // namespace
