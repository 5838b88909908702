// Numbers as a command line types them and as the summaries print them, independent of the
// user's locale.
#pragma once

#include <optional>
#include <string>

namespace host {

// The whole text as a decimal integer or real number; nothing when any of it is not part of one.
std::optional<int> parseInteger(const std::string& text);
std::optional<double> parseReal(const std::string& text);

// A linear amplitude in dBFS with one decimal ("-6.0", "-inf").
std::string decibelText(double amplitude);

// A loudness in LUFS (or a level in dB) with one decimal; minus infinity, the loudness of silence or of
// anything shorter than one 400 ms block, as "-inf".
std::string lufsText(double lufs);

// A real number with a fixed count of decimals.
std::string fixedText(double value, int decimals);

} // namespace host
