// The block loop's copies for the release type Pumper.
#include "dsp/BlockLoop.h"

template tmx1::path::BlockRoutine tmx1::path::blockRoutineFor<tmx1::kPumper>(bool, tmx1::LoopWidth);
