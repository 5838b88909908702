#include "tools/tmx1-host/ProgressBar.h"

#include "platform/Terminal.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <iostream>

namespace host {

namespace {

constexpr int kWidestBar = 50;
constexpr int kColumnsWhenUnknown = 80;

} // namespace

ProgressBar::ProgressBar(std::ostream& out, std::string label, int columns)
    : out(out), label(std::move(label)), columns(columns) {}

ProgressBar ProgressBar::onStandardError(std::string label) {
    using platform::StandardStream;
    if (!platform::isTerminal(StandardStream::error))
        return ProgressBar(std::cerr, std::move(label), 0);
    const int columns = platform::terminalColumns(StandardStream::error);
    return ProgressBar(std::cerr, std::move(label), columns > 0 ? columns : kColumnsWhenUnknown);
}

void ProgressBar::update(double fraction) {
    const int percent = static_cast<int>(std::floor(std::clamp(fraction, 0.0, 1.0) * 100.0));
    if (columns == 0 || percent == shownPercent)
        return;
    shownPercent = percent;
    // "label [####    ] 100%" must fit without wrapping, or every redraw would start a new line.
    const int barWidth = std::min(kWidestBar, columns - static_cast<int>(label.size()) - 9);
    out << '\r' << label;
    if (barWidth > 0) {
        const int filled = barWidth * percent / 100;
        out << " [" << std::string(static_cast<std::size_t>(filled), '#')
            << std::string(static_cast<std::size_t>(barWidth - filled), ' ') << ']';
    }
    out << ' ' << std::setw(3) << percent << '%' << std::flush;
}

void ProgressBar::finish() {
    if (columns == 0 || shownPercent < 0)
        return;
    out << '\r' << std::string(static_cast<std::size_t>(columns - 1), ' ') << '\r' << std::flush;
    shownPercent = -1;
}

void ProgressBar::note(const std::string& line) {
    if (columns == 0)
        return;
    finish();
    out << line << '\n' << std::flush;
}

} // namespace host
