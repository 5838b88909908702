// The block loop's copies for the release type Opto.
#include "dsp/BlockLoop.h"

template tmx1::path::BlockRoutine tmx1::path::blockRoutineFor<tmx1::kOpto>(bool, tmx1::LoopWidth);
