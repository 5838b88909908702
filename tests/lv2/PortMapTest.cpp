#include "lv2/PortMap.h"
#include "dsp/APluginProgram.h"
#include "dsp/ParameterDisplay.h"
#include "dsp/ParameterTable.h"
#include "tools/lv2-turtle/Lv2Turtle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace tmx1::lv2 {
namespace {

constexpr int kContinuous[] = {kThreshold, kRelease, kKnee, kGain};
constexpr int kSwitches[] = {kPde, kAutoGain, kBrickWall, kStereoLink, kTruePeak};

// A knob step as the editor stores it: Position / Max in extended precision, rounded once to float.
float knobStep(int position, int max) {
    return static_cast<float>(static_cast<long double>(position) / static_cast<long double>(max));
}

TEST(PortsAndParameters, EveryParameterHasItsOwnPortTheLastOneAfterTheOthersPorts) {
    for (int parameter = 0; parameter < kTruePeak; ++parameter)
        EXPECT_EQ(PortOfParameter(parameter), kPortThreshold + parameter);
    EXPECT_EQ(PortOfParameter(kTruePeak), kNumPorts - 1) << "a saved session's port indices stay";
    for (int parameter = 0; parameter < kNumParams; ++parameter)
        EXPECT_EQ(ParameterOfPort(PortOfParameter(parameter)), parameter);
    EXPECT_EQ(PortOfParameter(-1), -1);
    EXPECT_EQ(PortOfParameter(kNumParams), -1);
    for (const int port :
         {int{kPortInL}, int{kPortOutR}, int{kPortLatency}, int{kPortOcAck}, -1, int{kNumPorts}})
        EXPECT_EQ(ParameterOfPort(port), -1) << "port " << port;
    EXPECT_STREQ(kPortSymbols[kPortReleaseType], "release_type");
    EXPECT_STREQ(kPortSymbols[kPortOcAck], "oc_ack");
}

TEST(PortsAndParameters, PortValuesAreInTheUnitsAUserReads) {
    EXPECT_DOUBLE_EQ(PortValueOf(kThreshold, 0.0f), -40.0);
    EXPECT_DOUBLE_EQ(PortValueOf(kThreshold, 0.8f), -40.0 + 50.0 * double{0.8f});
    EXPECT_DOUBLE_EQ(PortValueOf(kRelease, 0.0f), 5.0);
    EXPECT_NEAR(PortValueOf(kRelease, 0.5f), 5.0 * std::sqrt(1000.0), 1e-9);
    EXPECT_NEAR(PortValueOf(kRelease, 1.0f), 5000.0, 1e-9);
    EXPECT_DOUBLE_EQ(PortValueOf(kKnee, 1.0f), 20.0);
    EXPECT_DOUBLE_EQ(PortValueOf(kGain, 0.5f), 0.0);
    for (int type = 0; type < kNumReleaseTypes; ++type)
        EXPECT_EQ(PortValueOf(kReleaseType, static_cast<float>(type) / 4.0f), type);
    EXPECT_EQ(PortValueOf(kReleaseType, 0.6f), releaseTypeOf(0.6f)) << "the type the signal path takes";
    for (const int parameter : kSwitches) {
        EXPECT_EQ(PortValueOf(parameter, 0.5f), 0.0) << "a switch is on above the middle only";
        EXPECT_EQ(PortValueOf(parameter, 0.51f), 1.0);
    }
}

// The number of the panel's text for a normalised value.
float panelNumber(int parameter, float value) {
    return std::strtof(displayNumber(displayValue(parameter, value), '.').c_str(), nullptr);
}

TEST(PortsAndParameters, EveryKnobStepComesBackExactlyFromItsFloatPortAndACoarseStepAlsoAsThePanelShowsIt) {
    for (const int parameter : kContinuous)
        for (const int max : {100, 1000})
            for (int position = 0; position <= max; ++position) {
                const float value = knobStep(position, max);
                const auto port = static_cast<float>(PortValueOf(parameter, value));
                ASSERT_EQ(NormalisedOf(parameter, port), value)
                    << kParameters[static_cast<std::size_t>(parameter)].name << " step " << position << "/"
                    << max;
                // Five characters tell the coarse steps apart, not every fine one.
                if (max == 100) {
                    ASSERT_EQ(NormalisedOf(parameter, ShownPortValue(parameter, value)), value)
                        << kParameters[static_cast<std::size_t>(parameter)].name << " step " << position
                        << " shown as " << ShownPortValue(parameter, value);
                }
            }
}

TEST(PortsAndParameters, ShownPortValuesAreThePanelsNumbersWithoutTheLawsFloatNoise) {
    EXPECT_EQ(ShownPortValue(kThreshold, 0.8f), 0.0f) << "not the 5.96e-7 dB of -40 + 50 * 0.8f";
    EXPECT_EQ(ShownPortValue(kKnee, 0.15f), 3.0f);
    EXPECT_EQ(ShownPortValue(kRelease, 0.44f), 104.4f) << "the panel cuts 104.46 ms to five characters";
    EXPECT_EQ(ShownPortValue(kReleaseType, 0.75f), 3.0f);
    EXPECT_EQ(ShownPortValue(kStereoLink, 1.0f), 1.0f);
    for (const int parameter : kContinuous) {
        for (int position = 0; position <= 20000; ++position) {
            const float value = knobStep(position, 20000);
            ASSERT_EQ(ShownPortValue(parameter, value), panelNumber(parameter, value))
                << kParameters[static_cast<std::size_t>(parameter)].name << " at " << value;
        }
        // Either side of where the text carries into another digit or loses its sign.
        for (const float carry :
             {-9.9995f, -0.9995f, -0.0005f, 0.0005f, 0.9995f, 9.9995f, 99.9995f, 999.995f}) {
            float value = NormalisedOf(parameter, carry);
            for (int k = 0; k < 16; ++k)
                value = std::nextafter(value, 0.0f);
            for (int k = 0; k < 32; ++k, value = std::nextafter(value, 1.0f))
                ASSERT_EQ(ShownPortValue(parameter, value), panelNumber(parameter, value))
                    << kParameters[static_cast<std::size_t>(parameter)].name << " at " << value;
        }
    }
}

TEST(PortsAndParameters, FactoryValuesComeBackExactlyFromThePortAndFromTheTurtlesText) {
    for (const FactoryProgram& program : kFactoryPrograms)
        for (int parameter = 0; parameter < kNumParams; ++parameter) {
            const float value = program.values[static_cast<std::size_t>(parameter)];
            const auto port = static_cast<float>(PortValueOf(parameter, value));
            EXPECT_EQ(NormalisedOf(parameter, port), value) << program.name << " " << parameter;
            const std::string text = turtleNumber(ShownPortValue(parameter, value));
            EXPECT_EQ(NormalisedOf(parameter, std::strtof(text.c_str(), nullptr)), value)
                << program.name << " " << parameter << " written as " << text;
        }
}

TEST(PortsAndParameters, AnyPortValueGivesTheNormalisedValueThatShowsItOrTheNearestOne) {
    // Host automation writes floats no knob made. Where the normalised floats are coarser than the
    // port's (the top of a range), the answer's neighbours lie either side of the port value. A number
    // the panel shows gives a value the panel shows as that number.
    const auto portOf = [](int parameter, float value) {
        return static_cast<float>(PortValueOf(parameter, value));
    };
    for (const int parameter : kContinuous) {
        const double lo = PortValueOf(parameter, 0.0f), hi = PortValueOf(parameter, 1.0f);
        for (int k = 1; k < 997; ++k) {
            const auto port = static_cast<float>(lo + (hi - lo) * k / 997.0);
            const float value = NormalisedOf(parameter, port);
            if (portOf(parameter, value) == port || panelNumber(parameter, value) == port)
                continue;
            EXPECT_LT(portOf(parameter, std::nextafter(value, 0.0f)), port)
                << kParameters[static_cast<std::size_t>(parameter)].name << " at " << port;
            EXPECT_GT(portOf(parameter, std::nextafter(value, 1.0f)), port)
                << kParameters[static_cast<std::size_t>(parameter)].name << " at " << port;
        }
    }
}

TEST(PortsAndParameters, ValuesOutsideTheRangesAreClamped) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const int parameter : kContinuous) {
        EXPECT_EQ(NormalisedOf(parameter, -inf), 0.0f);
        EXPECT_EQ(NormalisedOf(parameter, -1e6f), 0.0f);
        EXPECT_EQ(NormalisedOf(parameter, 1e6f), 1.0f);
        EXPECT_EQ(NormalisedOf(parameter, inf), 1.0f);
        EXPECT_EQ(NormalisedOf(parameter, nan), 0.0f);
    }
    EXPECT_EQ(NormalisedOf(kReleaseType, -3.0f), 0.0f);
    EXPECT_EQ(NormalisedOf(kReleaseType, 2.4f), 0.5f);
    EXPECT_EQ(NormalisedOf(kReleaseType, 2.6f), 0.75f);
    EXPECT_EQ(NormalisedOf(kReleaseType, 2.5f), 0.5f) << "halves go to the even type";
    EXPECT_EQ(NormalisedOf(kReleaseType, 9.0f), 1.0f);
    for (const int parameter : kSwitches) {
        EXPECT_EQ(NormalisedOf(parameter, 0.5f), 0.0f);
        EXPECT_EQ(NormalisedOf(parameter, 0.75f), 1.0f);
        EXPECT_EQ(NormalisedOf(parameter, -1.0f), 0.0f);
    }
}

TEST(TurtleText, NumbersAreAlwaysDecimalOrDoubleLiteralsAndVersionsFollowTheProduct) {
    EXPECT_EQ(turtleNumber(-40.0f), "-40.0");
    EXPECT_EQ(turtleNumber(0.25f), "0.25");
    EXPECT_EQ(turtleNumber(104.4f), "104.4") << "the float's shortest text, not the double's 104.400002";
    EXPECT_EQ(turtleNumber(1e-20f), "1e-20");
    EXPECT_EQ(lv2VersionOf("1.10").minor, 10);
    EXPECT_EQ(lv2VersionOf("1.10").micro, 0);
    EXPECT_EQ(lv2VersionOf("2.4.7").micro, 7);
    EXPECT_THROW(lv2VersionOf("1"), std::invalid_argument);
    EXPECT_THROW(lv2VersionOf("1.10beta"), std::invalid_argument);
}

} // namespace
} // namespace tmx1::lv2
