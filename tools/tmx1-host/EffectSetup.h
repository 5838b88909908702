// Choosing what an effect does before it processes, from the words a user types: a program by
// number or by exact name, a preset file, and parameters as INDEX=VALUE (ParameterWords adds TMX-1's
// own names).
#pragma once

#include "tools/tmx1-host/Host.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace host {

// A program or parameter that the effect does not have, or a value it cannot take.
class SetupError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Loads the plug-in at `path` and opens its effect (effOpen), ready to be set up. Throws HostError
// when it cannot be loaded.
std::unique_ptr<HostedEffect> openEffect(Host& host, const std::string& path);

struct ParameterSetting {
    int index;
    float value; // normalised, 0..1
    // The parameter's name when the user gave one: a setting made in TMX-1's names and units only
    // applies to an effect whose parameter `index` has that name.
    std::string name = {};
};

// Whether two names are the same to a user, who need not get the case right.
bool sameName(const std::string& a, const std::string& b);

// Whether a word after "--param" looks like another setting ("I=V") rather than the next argument.
bool isParameterSetting(const std::string& word);

// Parses "INDEX=VALUE" with VALUE in 0..1; throws SetupError otherwise.
ParameterSetting parseParameterSetting(const std::string& text);

// The name of program `index`, asked without switching programs where the effect allows it.
std::string programName(HostedEffect& effect, int index);

// Selects the program whose number or exact name is `numberOrName`; throws SetupError when none is.
void selectProgram(HostedEffect& effect, const std::string& numberOrName);

// The index of the parameter called exactly `name`; throws SetupError when there is none.
int findParameter(HostedEffect& effect, const std::string& name);

// Applies each setting in order; throws SetupError for an index the effect does not have, or one
// whose name is not the setting's.
void applyParameters(HostedEffect& effect, const std::vector<ParameterSetting>& settings);

// What a command line chooses, in the order a user expects to build on each: the program, then a preset
// file (tools/tmx1-host/EffectPresets.h), then single parameters. Throws SetupError or
// presets::PresetError.
void applySettings(HostedEffect& effect, const std::optional<std::string>& program,
                   const std::optional<std::string>& presetPath,
                   const std::vector<ParameterSetting>& parameters);

// The editor's zoom as "--zoom 100|150|200" gives it; throws SetupError for another value.
int parseEditorZoom(const std::string& text);
// Tells the effect to open its editor at that zoom; throws SetupError when it cannot.
void applyEditorZoom(HostedEffect& effect, int percent);

} // namespace host
