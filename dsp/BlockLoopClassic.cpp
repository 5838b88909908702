// The block loop's copies for the release type Classic.
#include "dsp/BlockLoop.h"

template tmx1::path::BlockRoutine tmx1::path::blockRoutineFor<tmx1::kClassic>(bool, tmx1::LoopWidth);
