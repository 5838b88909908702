// The text shown for a parameter value, by the host and by the panel's value labels.
#pragma once

#include <string>

namespace tmx1 {

// The display value of parameter `index` at normalised `value`, in display units (dB, ms).
float displayValue(int index, float value);

// The number as a display shows it: five significant digits and three decimals, cut to five
// characters; a separator left at the end of the cut becomes a space.
std::string displayNumber(float value, char decimalSeparator);

// The whole display text ("-15.0 dB", "On", "Classic"), from the value alone: a host reads it
// before the first block as well as while audio runs. Empty where the parameter shows nothing
// (out-of-range indices).
std::string parameterDisplayText(int index, float value, char decimalSeparator);

} // namespace tmx1
