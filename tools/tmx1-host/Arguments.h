// The words after a command name: options taken out by name, what remains is positional.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace host {

// A command line that does not fit the command; main prints the usage with it.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class Arguments {
  public:
    explicit Arguments(std::vector<std::string> words) : words(std::move(words)) {}

    // Takes "--name" out; true when it was there.
    bool flag(const std::string& name);
    // Takes the last "--name VALUE" out (every one of them); throws UsageError when VALUE is missing.
    std::optional<std::string> option(const std::string& name);
    // Takes every "--name VALUE" out, in order.
    std::vector<std::string> options(const std::string& name);
    // Like options(), but each "--name" also takes the words after its value for which `belongs`
    // holds, so that "--param 0=1 2=0.5" reads as two values.
    std::vector<std::string> optionLists(const std::string& name, bool (*belongs)(const std::string& word));
    // A whole number from option `name`, at least `minimum`; throws UsageError otherwise.
    std::optional<int> integerOption(const std::string& name, int minimum);
    // A real number from option `name`, above zero; throws UsageError otherwise.
    std::optional<double> positiveOption(const std::string& name);

    // What remains, after every option was taken; throws UsageError for an option not taken or
    // when the count is outside minimum..maximum.
    std::vector<std::string> positionals(std::size_t minimum, std::size_t maximum) const;

  private:
    std::vector<std::string> words;
};

} // namespace host
