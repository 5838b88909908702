// The block loop's copies for the release type Smooth1.
#include "dsp/BlockLoop.h"

template tmx1::path::BlockRoutine tmx1::path::blockRoutineFor<tmx1::kSmooth1>(bool, tmx1::LoopWidth);
