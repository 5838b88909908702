// A parameter setting as a user writes it after "--param": INDEX=VALUE with a normalised value, for
// any effect, or TMX-1's own NAME=VALUE in the units its panel shows ("Threshold=-6", "Release=250",
// "Release Type=Opto", "PDE=On").
#pragma once

#include "tools/tmx1-host/Arguments.h"
#include "tools/tmx1-host/EffectSetup.h"

#include <string>
#include <vector>

namespace host {

// Throws UsageError for an unknown name, or a value that cannot be read or lies outside the
// parameter's range; the message lists the names, or the range or texts, that would do.
ParameterSetting parseParameterWords(const std::string& text);

// Takes every "--param" setting out of the command line, in order; throws UsageError as above.
std::vector<ParameterSetting> takeParameterWords(Arguments& arguments);

// TMX-1's parameter `index` at `value` as its panel shows it (dB, ms, 1 or 0 for a switch), named so
// that an effect whose parameter `index` is another refuses it.
ParameterSetting panelSetting(int index, float value);

} // namespace host
