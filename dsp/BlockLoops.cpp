// The choice of the block loop's copy for a block, and of the widest copies the processor runs. The
// copies themselves are in dsp/BlockLoop.h, compiled in one unit per release type.
#include "dsp/BlockLoops.h"

#include "dsp/ParameterTable.h"

namespace tmx1 {

namespace path {

BlockRoutine blockRoutine(int type, bool linked, bool metering, LoopWidth width) {
    switch (type) {
    case kOpto:
        return blockRoutineFor<kOpto>(linked, metering, width);
    case kPumper:
        return blockRoutineFor<kPumper>(linked, metering, width);
    case kSmooth2:
        return blockRoutineFor<kSmooth2>(linked, metering, width);
    case kSmooth1:
        return blockRoutineFor<kSmooth1>(linked, metering, width);
    default: // the control mapping gives 0 to 4
        return blockRoutineFor<kClassic>(linked, metering, width);
    }
}

} // namespace path

LoopWidth widestLoops() {
    __builtin_cpu_init(); // in case the first effect comes from a static constructor
#if defined(__clang__) && __clang_major__ < 16
    // This clang (the fuzz build's) knows no level names here: the features that set the copies apart.
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl"))
        return LoopWidth::avx512;
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") ? LoopWidth::avx2 : LoopWidth::baseline;
#else
    if (__builtin_cpu_supports("x86-64-v4"))
        return LoopWidth::avx512;
    return __builtin_cpu_supports("x86-64-v3") ? LoopWidth::avx2 : LoopWidth::baseline;
#endif
}

} // namespace tmx1
