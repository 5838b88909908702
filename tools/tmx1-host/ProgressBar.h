// A one-line progress bar for long jobs, drawn only where a person watches: on a terminal.
#pragma once

#include <ostream>
#include <string>

namespace host {

class ProgressBar {
  public:
    // Draws into `out` with `columns` character cells; `columns` 0 draws nothing.
    ProgressBar(std::ostream& out, std::string label, int columns);
    // Draws on standard error when it is a terminal, else nothing.
    static ProgressBar onStandardError(std::string label);
    // Clears the line, so that an error message after a failed job starts on a clean one.
    ~ProgressBar() { finish(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Redraws only when the shown percentage changes, so a caller may report every block.
    void update(double fraction);
    // Clears the line, leaving the terminal as it was before.
    void finish();
    // Leaves `line` on the terminal in place of the bar, for a step of a longer job; nothing elsewhere.
    void note(const std::string& line);

  private:
    std::ostream& out;
    std::string label;
    int columns;
    int shownPercent = -1;
};

} // namespace host
