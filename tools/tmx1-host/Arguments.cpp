#include "tools/tmx1-host/Arguments.h"

#include "tools/tmx1-host/NumberText.h"

#include <algorithm>

namespace host {

bool Arguments::flag(const std::string& name) {
    const auto found = std::remove(words.begin(), words.end(), name);
    const bool present = found != words.end();
    words.erase(found, words.end());
    return present;
}

std::vector<std::string> Arguments::options(const std::string& name) {
    return optionLists(name, [](const std::string&) { return false; });
}

std::vector<std::string> Arguments::optionLists(const std::string& name,
                                                bool (*belongs)(const std::string& word)) {
    std::vector<std::string> values;
    for (auto word = words.begin(); word != words.end();) {
        if (*word != name) {
            ++word;
            continue;
        }
        if (word + 1 == words.end())
            throw UsageError(name + " needs a value");
        auto end = word + 2;
        while (end != words.end() && belongs(*end))
            ++end;
        values.insert(values.end(), word + 1, end);
        word = words.erase(word, end);
    }
    return values;
}

std::optional<std::string> Arguments::option(const std::string& name) {
    const auto values = options(name);
    return values.empty() ? std::nullopt : std::optional(values.back());
}

std::optional<int> Arguments::integerOption(const std::string& name, int minimum) {
    const auto text = option(name);
    if (!text)
        return std::nullopt;
    const auto value = parseInteger(*text);
    if (!value || *value < minimum)
        throw UsageError(name + " needs a whole number of at least " + std::to_string(minimum) + ", not '" +
                         *text + "'");
    return value;
}

std::optional<double> Arguments::positiveOption(const std::string& name) {
    const auto text = option(name);
    if (!text)
        return std::nullopt;
    const auto value = parseReal(*text);
    if (!value || *value <= 0.0)
        throw UsageError(name + " needs a number above zero, not '" + *text + "'");
    return value;
}

std::vector<std::string> Arguments::positionals(std::size_t minimum, std::size_t maximum) const {
    for (const auto& word : words)
        if (word.size() > 1 && word[0] == '-' && word[1] == '-')
            throw UsageError("unknown option " + word);
    if (words.size() < minimum || words.size() > maximum)
        throw UsageError("expected " +
                         (minimum == maximum ? std::to_string(minimum)
                                             : std::to_string(minimum) + " to " + std::to_string(maximum)) +
                         " arguments, got " + std::to_string(words.size()));
    return words;
}

} // namespace host
