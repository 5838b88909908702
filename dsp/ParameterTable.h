// Everything the effect knows about its ten parameters, in one place: names, defaults, the display
// and control ranges with their laws, and the release-type names. Every other file refers to a
// parameter by the index constants below.
#pragma once

#include <array>
#include <cstdint>

namespace tmx1 {

constexpr int kNumParams = 10;

enum ParamIndex : int {
    kThreshold = 0,
    kRelease,
    kPde,
    kReleaseType,
    kKnee,
    kGain,
    kAutoGain,
    kBrickWall,
    kStereoLink,
    kTruePeak,
};

enum class Law : std::uint8_t { linear = 0, exponential = 1 };

// How a parameter's value is shown as text.
enum class DisplayKind : std::uint8_t { decibels, milliseconds, onOff, releaseTypeName };

struct ParameterInfo {
    const char* name;
    float defaultValue;
    float displayMin;
    float displayMax;
    Law displayLaw;
    DisplayKind display;
    float controlMin;
    float controlMax;
    Law controlLaw;
};

// clang-format off
inline constexpr std::array<ParameterInfo, kNumParams> kParameters{{
    //  name            default  display min..max   law               shown as                       control min..max   law
    {"Threshold",     0.8f, -40.0f,   10.0f, Law::linear,      DisplayKind::decibels,        0.01f,  3.16f, Law::exponential},
    {"Release",       0.5f,   5.0f, 5000.0f, Law::exponential, DisplayKind::milliseconds,    0.005f, 5.0f,  Law::exponential},
    {"PDE",           0.0f,   0.0f,    1.0f, Law::linear,      DisplayKind::onOff,           0.0f,   1.0f,  Law::linear},
    {"Release Type",  1.0f,   0.0f,    4.0f, Law::linear,      DisplayKind::releaseTypeName, 0.0f,   4.0f,  Law::linear},
    {"Knee",          0.5f,   0.0f,   20.0f, Law::linear,      DisplayKind::decibels,        1.0f,  10.0f,  Law::exponential},
    {"Gain",          0.5f, -10.0f,   10.0f, Law::linear,      DisplayKind::decibels,        0.316f, 3.16f, Law::exponential},
    {"Auto-Gain",     1.0f,   0.0f,    1.0f, Law::linear,      DisplayKind::onOff,           0.0f,   1.0f,  Law::linear},
    {"Brick-Wall",    0.0f,   0.0f,    1.0f, Law::linear,      DisplayKind::onOff,           0.0f,   1.0f,  Law::linear},
    {"Stereo Link",   1.0f,   0.0f,    1.0f, Law::linear,      DisplayKind::onOff,           0.0f,   1.0f,  Law::linear},
    {"True Peak",     0.0f,   0.0f,    1.0f, Law::linear,      DisplayKind::onOff,           0.0f,   1.0f,  Law::linear},
}};
// clang-format on

constexpr int kNumReleaseTypes = 5;

enum ReleaseType : int { kOpto = 0, kPumper, kSmooth2, kSmooth1, kClassic };

// Types whose cascade starts with pre-stages on their own coefficient.
constexpr bool hasPreStages(int type) { return type == kOpto || type == kSmooth2 || type == kSmooth1; }

inline constexpr std::array<const char*, kNumReleaseTypes> kReleaseTypeNames{"Opto", "Pumper", "Smooth 2",
                                                                             "Smooth 1", "Classic"};

// A normalised value as a parameter holds it: above 1 taken as 1, below 0 or not a number as 0.
constexpr float clampedNormalised(float value) {
    if (value > 1.0f)
        return 1.0f;
    return value >= 0.0f ? value : 0.0f;
}

// Out-of-range indices read as the last parameter, as hosts expect from reads.
constexpr int clampedReadIndex(int index) {
    return (index < 0 || index >= kNumParams) ? kNumParams - 1 : index;
}

// The laws, computed in extended precision from the 32-bit table entries and rounded once to float.
float mapLinear(float value, float min, float max);
float mapExponential(float value, float min, float max);
float mapByLaw(Law law, float value, float min, float max);

// The release type a normalised Release Type value selects: its control value rounded to the nearest
// type, halves to the even one, as the signal path takes it.
int releaseTypeOf(float value);

} // namespace tmx1
