// Which of the panel's controls show and change each parameter, and which show the meters, by the
// names the layout gives them. The window finds its controls through these tables, the layout test
// holds the layout to them, and the artwork generator draws the knobs' scales from the parameter
// each knob stands for. Names, defaults and ranges of the parameters are in plugin/ParameterTable.h.
#pragma once

#include "plugin/ParameterTable.h"

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
    {ControlKind::selector, nullptr,             nullptr,           LabelText::none,          kReleaseTypeButtons},
    {ControlKind::knob,     "KneeControl",       "KneeLabel",       LabelText::displayNumber, {}},
    {ControlKind::knob,     "OutputGainControl", "OutputGainLabel", LabelText::displayNumber, {}},
    {ControlKind::lamp,     "AutoGainSwitch",    nullptr,           LabelText::none,          {}},
    {ControlKind::lamp,     "BrickWallSwitch",   nullptr,           LabelText::none,          {}},
    {ControlKind::lamp,     "StereoLinkSwitch",  nullptr,           LabelText::none,          {}},
    {ControlKind::none,     nullptr,             nullptr,           LabelText::none,          {}},
}};
// clang-format on

// The meters, in the order a meter pass updates them. A level bar is a cover over a lit column of the
// plate; a gain-reduction bar is a lit picture over an unlit column. The label above a pair shows the
// holds of its two channels.
enum class MeterKind : std::uint8_t { level, gainReduction };

struct MeterGroup {
    MeterKind kind;
    std::array<const char*, 2> bars; // left, right
    const char* holdLabel;
    int firstChannel; // the left bar's index among the window's levels (In L, In R, Out L, Out R) or gains
};

inline constexpr std::array<MeterGroup, 3> kMeterGroups{{
    {MeterKind::level, {"Meter_In_L", "Meter_In_R"}, "InMeterLabel", 0},
    {MeterKind::level, {"Meter_Out_L", "Meter_Out_R"}, "OutMeterLabel", 2},
    {MeterKind::gainReduction, {"Meter_CP_L", "Meter_CP_R"}, "CompMeterLabel", 0},
}};

} // namespace tmx1
