// Fixed-point number text as the panel and the host displays show it: one rounding, halves away
// from zero, to whichever keeps fewer digits (a count of significant digits or a count of
// decimals), then exactly that many decimals with the given decimal separator.
#pragma once

#include <string>

namespace toolkit {

std::string formatFixed(double value, int significantDigits, int decimals, char decimalSeparator);

} // namespace toolkit
