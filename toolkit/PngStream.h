// A small PNG reader on zlib, for builds without libpng (the Windows plug-in, which reads the zoomed
// artwork it carries): 8-bit truecolour pictures with or without alpha, not interlaced, which is what
// our artwork generator writes. Anything else is refused with EPictureError, never guessed at.
#pragma once

#include "toolkit/PictureFile.h"

#include <cstdint>
#include <span>

namespace toolkit {

TPictureData DecodeTruecolourPng(std::span<const std::uint8_t> bytes);

} // namespace toolkit
