// The LV2 plug-in's ports: their indices, symbols and the exact conversion between a port's value,
// in the units a user reads (dB, ms, a release-type index, 0/1), and the normalised float the effect's
// parameter holds. The DSP, the UI and the Turtle generator all take the ports from here.
#pragma once

#include "dsp/ParameterTable.h"

#include <array>

namespace tmx1::lv2 {

inline constexpr const char* kPluginUri = "https://brindlow-audio.example/plugins/tmx-1";
inline constexpr const char* kUiUri = "https://brindlow-audio.example/plugins/tmx-1#ui";

enum Port : int {
    kPortInL = 0,
    kPortInR,
    kPortOutL,
    kPortOutR,
    // the first nine parameters in the effect's order (True Peak came later: its port is the last)
    kPortThreshold,
    kPortRelease,
    kPortPde,
    kPortReleaseType,
    kPortKnee,
    kPortGain,
    kPortAutoGain,
    kPortBrickWall,
    kPortStereoLink,
    // outputs for the UI and the host
    kPortLatency,
    kPortLevelInL,
    kPortLevelInR,
    kPortLevelOutL,
    kPortLevelOutR,
    kPortGainL,
    kPortGainR,
    kPortOverCompression,
    // the UI writes a new value here each time it has shown the over-compression state
    kPortOcAck,
    // added after the others, so that no port a saved session refers to moved
    kPortTruePeak,
    kNumPorts
};

constexpr int kFirstParameterPort = kPortThreshold;
constexpr int kNumParameterPorts = kNumParams; // every parameter has a port

// Symbols, indexed by port.
inline constexpr std::array<const char*, kNumPorts> kPortSymbols{
    "in_l",        "in_r",         "out_l",
    "out_r",       "threshold",    "release",
    "pde",         "release_type", "knee",
    "gain",        "auto_gain",    "brick_wall",
    "stereo_link", "latency",      "level_in_l",
    "level_in_r",  "level_out_l",  "level_out_r",
    "gain_l",      "gain_r",       "over_compression",
    "oc_ack",      "true_peak"};

// The effect's meter (MeterIndex) each meter port copies, indexed from kPortLevelInL.
constexpr int kFirstMeterPort = kPortLevelInL;
constexpr int kNumMeterPorts = kPortGainR - kPortLevelInL + 1;

// The port of a parameter index (ParamIndex), -1 for indices out of range.
int PortOfParameter(int parameter);
// The parameter a port controls, -1 for every other port.
int ParameterOfPort(int port);

// A normalised value (0..1) of a parameter as its port shows it: the display law of the parameter
// table in double for the continuous ones, the release-type index the signal path takes, 0 or 1 for
// a switch.
double PortValueOf(int parameter, float normalised);

// The port value a user reads for a normalised value, as the Turtle writes defaults and presets: for
// a continuous parameter the number of the panel's text (ParameterDisplay), "0.000" dB rather than the
// 5.96e-7 of the law, "104.4" ms for 104.46 as the panel cuts it; PortValueOf for the others.
// Allocates nothing, as NormalisedOf calls it on the audio thread.
float ShownPortValue(int parameter, float normalised);

// The normalised float the parameter would hold for a port value. Release Type: the nearest index,
// clamped to the types, over 4; a switch: 1 above 0.5, else 0; a value that is not a number: 0.
// Continuous parameters: a whole run of normalised floats shares one port value, the run of those the
// panel shows as that number when it is one the panel shows (ShownPortValue), else the run of those
// whose PortValueOf rounds to it (a port is a float, far coarser than the normalised value near the
// bottom of a dB or ms range). Of the run the answer is the value with the fewest decimals (the
// nearest to the exact inverse among them), which is what a knob step, a factory value or the
// parameter's default held when the port value was made from one; where a run holds no short decimal,
// the exact inverse in double rounded once to float. Clamped to 0..1.
float NormalisedOf(int parameter, float portValue);

} // namespace tmx1::lv2
