// The effect's parameters as a CLAP host sees them. Each keeps its index as its id, so automation
// written against one build addresses the same parameter in every later one. Hosts read and write
// plain values in the units the panel shows: Threshold, Knee and Gain in dB, Release in ms, the
// release type as its step 0..4 and the switches as 0 or 1.
#pragma once

#include "clap/ClapInterface.h"

#include <optional>
#include <string>
#include <string_view>

namespace tmx1::clapparams {

// The ids 0 .. kCount - 1 are the parameter indices.
inline constexpr std::uint32_t kCount = 10;
constexpr bool isOffered(clap::clap_id id) { return id < kCount; }

// Name, flags and plain range of an offered parameter.
clap::clap_param_info describe(int index);

// The plain value a normalised value shows as; for the stepped ones the step the effect takes.
double plainOf(int index, float normalised);
// The normalised value for a plain one, which is first brought into the range (not a number as the
// lowest). Stepped values are cut to their integer, as the interface says hosts read them. Every
// plain value that plainOf made comes back to the normalised value it was made from.
float normalisedOf(int index, double plain);

// The text the VST host and the panel show for the same value ("-15.0 dB", "On", "Classic").
std::string textOf(int index, double plain, char decimalSeparator);
// What a user typed, as a plain value in range: a number with or without its unit (with '.' or the
// user's separator), a switch's "On" or "Off", a release type's name; nothing for anything else.
std::optional<double> plainOfText(int index, std::string_view text, char decimalSeparator);

} // namespace tmx1::clapparams
