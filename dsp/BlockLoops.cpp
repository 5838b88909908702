// The choice of the block loop's copy for a block, and of the widest copies the processor runs. The
// copies themselves are in dsp/BlockLoop.h, compiled in one unit per release type.
#include "dsp/BlockLoops.h"

#include "dsp/ParameterTable.h"

namespace tmx1 {

namespace path {

BlockRoutine blockRoutine(int type, bool linked, LoopWidth width) {
    switch (type) {
    case kOpto:
        return blockRoutineFor<kOpto>(linked, width);
    case kPumper:
        return blockRoutineFor<kPumper>(linked, width);
    case kSmooth2:
        return blockRoutineFor<kSmooth2>(linked, width);
    case kSmooth1:
        return blockRoutineFor<kSmooth1>(linked, width);
    default: // the control mapping gives 0 to 4
        return blockRoutineFor<kClassic>(linked, width);
    }
}

} // namespace path

namespace {

#if defined(__clang__) && __clang_major__ < 16
// This clang (the fuzz build's) cannot ask for the levels by name, only for the features that make
// them; those it cannot ask for (F16C, LZCNT, MOVBE) come with these on every processor made.
bool hasLevel3() {
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") && __builtin_cpu_supports("bmi") &&
           __builtin_cpu_supports("bmi2");
}
bool hasLevel4() {
    return hasLevel3() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512cd") && __builtin_cpu_supports("avx512dq") &&
           __builtin_cpu_supports("avx512vl");
}
#else
bool hasLevel3() { return __builtin_cpu_supports("x86-64-v3"); }
bool hasLevel4() { return __builtin_cpu_supports("x86-64-v4"); }
#endif

} // namespace

LoopWidth widestLoops() {
    __builtin_cpu_init(); // in case the first effect comes from a static constructor
    if (hasLevel4())
        return LoopWidth::avx512;
    return hasLevel3() ? LoopWidth::avx2 : LoopWidth::baseline;
}

} // namespace tmx1
