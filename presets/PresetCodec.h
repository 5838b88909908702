// The bytes of a preset file, big-endian as hosts on every system write them:
//
//   program (.fxp)                        bank (.fxb)
//   'CcnK'                                'CcnK'
//   byte count of what follows            byte count of what follows
//   'FxCk' (a parameter list)             'FxBk' (programs as parameter lists)
//   format version (1)                    format version (1)
//   plug-in's unique ID                   plug-in's unique ID
//   plug-in's version                     plug-in's version
//   parameter count                       program count
//   name, 28 bytes, zero-padded           128 reserved bytes (a version 2 bank keeps its current
//   one 32-bit float per parameter        program in the first four)
//                                         each program as a whole .fxp
//
// Files whose plug-in keeps its state as opaque data ('FPCh', 'FBCh') are refused: they hold no
// parameters to read.
#pragma once

#include "presets/Preset.h"

#include <cstdint>
#include <span>
#include <vector>

namespace presets {

// Throws PresetError when the program does not fit the plug-in (count of values, a value outside
// 0..1); a bank also when it does not hold the plug-in's count of programs.
std::vector<std::uint8_t> encodeProgram(const Program& program, const PluginIdentity& plugin);
std::vector<std::uint8_t> encodeBank(const Bank& bank, const PluginIdentity& plugin);

// Reads a program or a bank of the plug-in; throws PresetError saying why the bytes are not one:
// not a preset at all, cut short, opaque plug-in data, another plug-in's, another count of
// parameters or programs, a value that is not a number within 0..1.
Preset decodePreset(std::span<const std::uint8_t> bytes, const PluginIdentity& plugin);

} // namespace presets
