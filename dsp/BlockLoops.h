// The copies of the signal path's block loop: one for each release type and setting of Stereo Link,
// each again for every instruction set the loop is built for (LoopWidth).
#pragma once

#include "dsp/BlockState.h"
#include <cstdint>

namespace tmx1::path {

using Int32 = std::int32_t;

// Runs `frames` frames of the block from the host's buffers, adding to the outputs when `accumulate`
// is set; the block state is the working copy that the block driver loads and stores.
using BlockRoutine = void (*)(BlockState& s, const float* inL, const float* inR, float* outL, float* outR,
                              Int32 frames, bool accumulate);

// The copy of the block loop for a release type (0..4), Stereo Link and loop width.
BlockRoutine blockRoutine(int type, bool linked, LoopWidth width);

// The same for one release type; each type's unit (dsp/BlockLoop*.cpp) makes its copies.
template <int type> BlockRoutine blockRoutineFor(bool linked, LoopWidth width);

} // namespace tmx1::path
