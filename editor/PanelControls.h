// Which of the panel's controls show and change each parameter, and which show the meters, by the
// names the layout gives them. The window finds its controls through these tables, the layout test
// holds the layout to them, and the artwork generator draws the knobs' scales from the parameter
// each knob stands for. Names, defaults and ranges of the parameters are in dsp/ParameterTable.h.
#pragma once

#include "dsp/ParameterTable.h"

#include <array>
#include <cstdint>
#include <span>

namespace tmx1 {

enum class ControlKind : std::uint8_t {
    none,     // not on the panel
    knob,     // a knob (its position is the value) with a value label beneath it
    lamp,     // a switch that lights while the value is on; a click toggles it
    selector, // a group of buttons, one per value step; the button of the value's step is lit
};

// What a value label shows.
enum class LabelText : std::uint8_t {
    none,
    displayNumber, // the number of the parameter's display value, without its unit (the plate has it)
};

struct ParameterControl {
    ControlKind kind;
    const char* control;    // the knob or the lamp; null otherwise
    const char* valueLabel; // the knob's value label; null otherwise
    LabelText labelText;    // what the value label shows
    std::span<const char* const>
        buttons; // the selector's buttons by value step: step k is the value k / (n - 1)
};

// By release type, Opto first; on the panel they stand the other way up, Classic at the top.
inline constexpr std::array<const char*, kNumReleaseTypes> kReleaseTypeButtons{
    "RelType0", "RelType1", "RelType2", "RelType3", "Reltype4"};

// clang-format off
inline constexpr std::array<ParameterControl, kNumParams> kParameterControls{{
    {ControlKind::knob,     "ThresholdControl",  "ThresholdLabel",  LabelText::displayNumber, {}},
    {ControlKind::knob,     "ReleaseControl",    "ReleaseLabel",    LabelText::displayNumber, {}},
    {ControlKind::lamp,     "PDRswitch",         nullptr,           LabelText::none,          {}},
    {ControlKind::selector, nullptr, nullptr, LabelText::none, kReleaseTypeButtons},
    {ControlKind::knob,     "KneeControl",       "KneeLabel",       LabelText::displayNumber, {}},
    {ControlKind::knob,     "OutputGainControl", "OutputGainLabel", LabelText::displayNumber, {}},
    {ControlKind::lamp,     "AutoGainSwitch",    nullptr,           LabelText::none,          {}},
    {ControlKind::lamp,     "BrickWallSwitch",   nullptr,           LabelText::none,          {}},
    {ControlKind::lamp,     "StereoLinkSwitch",  nullptr,           LabelText::none,          {}},
    {ControlKind::lamp,     "TruePeakSwitch",    nullptr,           LabelText::none,          {}},
}};
// clang-format on

// A meter column is this many pixels tall, 0 dB at its top; its pictures and its slot in the plate
// are as tall. Level bars light 2 pixels per dB (0 to -60 dB), gain-reduction bars 4 pixels per dB of
// reduction (0 to 30 dB).
inline constexpr int kMeterColumnPixels = 120;
inline constexpr int kLevelPixelsPerDb = 2;
inline constexpr int kGainPixelsPerDb = 4;

// The meters, in the order a meter pass updates them. A level bar is a cover over a lit column of the
// plate; a gain-reduction bar is a lit picture over an unlit column. The label above a pair shows the
// holds of its two channels.
enum class MeterKind : std::uint8_t { level, gainReduction };

struct MeterGroup {
    MeterKind kind;
    std::array<const char*, 2> bars; // left, right
    const char* holdLabel;
    int firstChannel; // the left bar's index among the window's levels (In L, In R, Out L, Out R) or gains
    int pixelsPerDb;
};

inline constexpr std::array<MeterGroup, 3> kMeterGroups{{
    {MeterKind::level, {"Meter_In_L", "Meter_In_R"}, "InMeterLabel", 0, kLevelPixelsPerDb},
    {MeterKind::level, {"Meter_Out_L", "Meter_Out_R"}, "OutMeterLabel", 2, kLevelPixelsPerDb},
    {MeterKind::gainReduction, {"Meter_CP_L", "Meter_CP_R"}, "CompMeterLabel", 0, kGainPixelsPerDb},
}};

} // namespace tmx1
