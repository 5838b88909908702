// An effect's programs as preset files hold them, read and set through its record as a DAW does:
// so that settings made in one host reach another, and the files made here open there.
#pragma once

#include "presets/Preset.h"
#include "tools/tmx1-host/Host.h"

#include <string>

namespace host {

// The effect as its preset files name it: its ID, version and counts, from its record.
presets::PluginIdentity presetIdentity(HostedEffect& effect);

// The current program: its name and the values the effect reports now.
presets::Program currentProgram(HostedEffect& effect);

// Every program of the effect, visited in turn; the current one is selected again afterwards.
presets::Bank allPrograms(HostedEffect& effect);

// A program replaces the current program's name and values; a bank replaces every program, and
// the current one stays selected (with the bank's values).
void applyPreset(HostedEffect& effect, const presets::Preset& preset);

// Reads the file whole for this effect, then applies it; throws presets::PresetError, changing
// nothing, when the file is not a preset of the effect.
void applyPresetFile(HostedEffect& effect, const std::string& path);

} // namespace host
