// What a preset file holds, and for which plug-in: a program (a name and one value per parameter)
// or a bank of programs. The plug-in's identity comes from its caller, so that the files can be read
// and written for whichever effect a host has loaded.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace presets {

// A file or bytes that cannot be read as a preset of the plug-in, or a file that cannot be written;
// the message says which and why. Whatever was to receive the preset has not been changed.
class PresetError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The plug-in a preset belongs to, as its host sees it.
struct PluginIdentity {
    std::string name;      // for messages: "made for another plug-in, not for TMX-1"
    std::int32_t uniqueId; // the four-character code hosts tell plug-ins apart by
    std::int32_t version;  // the plug-in's own version number, written into the files
    int parameterCount;
    int programCount; // how many programs a bank holds
};

// The longest program name the files keep (the field is 28 bytes with its terminator).
inline constexpr std::size_t kProgramNameLength = 27;

struct Program {
    std::string name;          // cut to kProgramNameLength bytes when written
    std::vector<float> values; // normalised, 0..1, one per parameter
};

struct Bank {
    std::vector<Program> programs;
};

using Preset = std::variant<Program, Bank>;

} // namespace presets
