// The instruction sets the signal path's loops are built for, and the widest this processor runs.
#pragma once

#include <cstdint>

namespace tmx1 {

// The copies of the signal path's loops, by the instructions they use.
enum class LoopWidth : std::uint8_t { baseline, avx2, avx512 };

// The widest copy of the loops this processor can run.
LoopWidth widestLoops();

} // namespace tmx1
