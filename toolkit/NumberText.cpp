#include "toolkit/NumberText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace toolkit {

namespace {

// The decimal digits of |value|, exact as far as the rounding below looks. intDigits counts the digits
// before the decimal point (no leading zeros; 0 for values below 1).
struct Decimal {
    std::string digits;
    int intDigits = 0;
};

Decimal exactDecimal(double magnitude, int decimals) {
    // Rounding needs the kept digits and the first dropped one exactly. The C library rounds only
    // at the last digit it prints; with 40 digits to spare that rounding cannot reach them.
    std::string text(512, '\0');
    const int length = std::snprintf(text.data(), text.size(), "%.*f", decimals + 40, magnitude);
    text.resize(static_cast<std::size_t>(std::max(length, 0)));
    const std::size_t point = text.find('.');
    Decimal d;
    std::string integral = text.substr(0, point);
    integral.erase(0, std::min(integral.find_first_not_of('0'), integral.size()));
    d.intDigits = static_cast<int>(integral.size());
    d.digits = integral + (point == std::string::npos ? std::string() : text.substr(point + 1));
    return d;
}

// Keeps the first `count` digits of d, rounding the rest half away from zero; a carry out of the
// first digit adds an integer digit.
void roundDigits(Decimal& d, int count) {
    if (count < 0) {
        d.digits.clear();
        return;
    }
    if (static_cast<std::size_t>(count) >= d.digits.size())
        return;
    const bool roundUp = d.digits[static_cast<std::size_t>(count)] >= '5';
    d.digits.resize(static_cast<std::size_t>(count));
    if (!roundUp)
        return;
    int i = count - 1;
    while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9')
        d.digits[static_cast<std::size_t>(i--)] = '0';
    if (i >= 0) {
        ++d.digits[static_cast<std::size_t>(i)];
    } else {
        d.digits.insert(d.digits.begin(), '1');
        ++d.intDigits;
    }
}

} // namespace

std::string formatFixed(double value, int significantDigits, int decimals, char decimalSeparator) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";

    Decimal d = exactDecimal(std::fabs(value), decimals);
    // Digits are counted from the first significant one; for values below 1 the leading fractional
    // zeros are not significant.
    const std::size_t firstSignificant = std::min(d.digits.find_first_not_of('0'), d.digits.size());
    const int bySignificance = static_cast<int>(firstSignificant) + significantDigits;
    const int byDecimals = d.intDigits + decimals;
    roundDigits(d, std::min(bySignificance, byDecimals));

    std::string integral =
        d.digits.substr(0, static_cast<std::size_t>(std::min<int>(d.intDigits, d.digits.size())));
    integral.resize(static_cast<std::size_t>(d.intDigits), '0');
    std::string fraction = d.digits.size() > static_cast<std::size_t>(d.intDigits)
                               ? d.digits.substr(static_cast<std::size_t>(d.intDigits))
                               : "";
    fraction.resize(static_cast<std::size_t>(decimals), '0');
    if (integral.empty())
        integral = "0";

    const bool isZero = d.digits.find_first_not_of('0') == std::string::npos;
    std::string text = (value < 0 && !isZero) ? "-" : "";
    text += integral;
    if (decimals > 0)
        text += decimalSeparator + fraction;
    return text;
}

} // namespace toolkit
