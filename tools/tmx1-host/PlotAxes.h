// The marks along a plot's axes: where they go and what they say.
#pragma once

#include <string>
#include <vector>

namespace host {

struct AxisTick {
    double value; // in the axis's unit: seconds or dB
    std::string label;
};

// Marks from 0 to `seconds`, at most `maxTicks` of them, at the smallest step that allows: 1-2-5
// steps of seconds, then the clock's 30 s, minutes, 20 and 30 min and hours. Labels are seconds
// below a minute, m:ss below an hour and h:mm:ss beyond.
class TimeAxis {
  public:
    TimeAxis(double seconds, int maxTicks);

    double step() const { return stepSeconds; }
    const std::vector<AxisTick>& ticks() const { return marks; }
    // What the labels count in, for the axis title: "s", "m:ss" or "h:mm:ss".
    const char* unit() const;

  private:
    enum class Clock { seconds, minutes, hours };

    static double chooseStep(double seconds, int maxTicks, Clock clock);
    std::string label(double at) const;

    Clock clock;
    double stepSeconds;
    std::vector<AxisTick> marks;
};

// The smallest of 1, 2, 5, 10, 20, 50 ... dB that puts at most `maxTicks` marks on `span` dB.
double decibelStep(double span, int maxTicks);

// Marks every `step` dB from `top` down to `bottom` (multiples of `step`), labelled with a true minus
// sign and a plus sign above 0: "+6", "0", "−10".
std::vector<AxisTick> decibelTicks(double top, double bottom, double step);

} // namespace host
