#include "tools/tmx1-host/PlotAxes.h"

#include "tools/tmx1-host/NumberText.h"

#include <array>
#include <cmath>

namespace host {

namespace {

// Round numbers of seconds, then what a clock counts in.
constexpr std::array kTimeSteps{0.001, 0.002,  0.005,  0.01,   0.02,   0.05,    0.1,    0.2,   0.5,
                                1.0,   2.0,    5.0,    10.0,   20.0,   30.0,    60.0,   120.0, 300.0,
                                600.0, 1200.0, 1800.0, 3600.0, 7200.0, 18000.0, 36000.0};

// Marks land on exact multiples of the step; the tolerance keeps a mark at the very end of the
// span that rounding would push past it.
int tickCount(double span, double step) { return static_cast<int>(std::floor(span / step + 1e-9)) + 1; }

std::string twoDigits(long value) { return (value < 10 ? "0" : "") + std::to_string(value); }

} // namespace

// --- time

TimeAxis::TimeAxis(double seconds, int maxTicks)
    : clock(seconds < 60.0     ? Clock::seconds
            : seconds < 3600.0 ? Clock::minutes
                               : Clock::hours),
      stepSeconds(chooseStep(seconds, maxTicks, clock)) {
    const int count = tickCount(std::max(seconds, 0.0), stepSeconds);
    for (int i = 0; i < count; ++i)
        marks.push_back({i * stepSeconds, label(i * stepSeconds)});
}

double TimeAxis::chooseStep(double seconds, int maxTicks, Clock clock) {
    // A clock label shows whole seconds, so its marks must fall on them.
    const double smallest = clock == Clock::seconds ? 0.0 : 1.0;
    if (seconds <= 0.0)
        return 1.0; // one mark, "0"
    for (const double step : kTimeSteps)
        if (step >= smallest && tickCount(seconds, step) <= std::max(maxTicks, 2))
            return step;
    double step = kTimeSteps.back();
    while (tickCount(seconds, step) > std::max(maxTicks, 2))
        step *= 2.0;
    return step;
}

const char* TimeAxis::unit() const {
    switch (clock) {
    case Clock::seconds:
        return "s";
    case Clock::minutes:
        return "m:ss";
    case Clock::hours:
        break;
    }
    return "h:mm:ss";
}

std::string TimeAxis::label(double at) const {
    if (clock == Clock::seconds) {
        const int decimals = std::max(0, static_cast<int>(std::ceil(-std::log10(stepSeconds) - 1e-9)));
        return fixedText(at, decimals);
    }
    const long whole = std::lround(at);
    const std::string seconds = ":" + twoDigits(whole % 60);
    if (clock == Clock::minutes)
        return std::to_string(whole / 60) + seconds;
    return std::to_string(whole / 3600) + ":" + twoDigits(whole / 60 % 60) + seconds;
}

// --- decibels

double decibelStep(double span, int maxTicks) {
    if (!std::isfinite(span) || span <= 0.0)
        return 1.0;
    for (double decade = 1.0;; decade *= 10.0)
        for (const double step : {decade, 2.0 * decade, 5.0 * decade})
            if (tickCount(span, step) <= std::max(maxTicks, 2))
                return step;
}

std::vector<AxisTick> decibelTicks(double top, double bottom, double step) {
    std::vector<AxisTick> marks;
    const auto first = static_cast<long>(std::floor(top / step + 1e-9));
    const auto last = static_cast<long>(std::ceil(bottom / step - 1e-9));
    for (long k = first; k >= last; --k) {
        const double value = static_cast<double>(k) * step;
        const std::string sign = k > 0 ? "+" : k < 0 ? "\u2212" : "";
        marks.push_back({value, sign + fixedText(std::abs(value), 0)});
    }
    return marks;
}

} // namespace host
