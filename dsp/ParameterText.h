// A parameter's value in the words a user writes it in: the panel's units after a number ("-6 dB",
// "250ms"), "On" and "Off" for a switch, a release type's name. What every format and our host read
// back from a user's text; what each does with a text that is not a value is its own affair.
#pragma once

#include <optional>
#include <string_view>

namespace tmx1 {

// The same letters, whatever their case (ASCII only, whatever the user's locale: the words are the
// effect's, not the user's language).
bool sameLetters(std::string_view a, std::string_view b);

// The unit parameter `index`'s display text ends with: "dB", "ms", or nothing.
std::string_view displayUnit(int index);

// The text without the spaces around it and without `unit` (in any case) at its end.
std::string_view withoutUnit(std::string_view text, std::string_view unit);

// 1 for "On", 0 for "Off", in any case and with spaces around; nothing for any other text.
std::optional<int> switchOfWord(std::string_view text);

// The release type (0..4) whose name the text is, in any case and with spaces around.
std::optional<int> releaseTypeNamed(std::string_view text);

} // namespace tmx1
