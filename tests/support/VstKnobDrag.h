// A drag on the VST editor's threshold knob on a headless screen: where the knob's centre is in the
// panel and the value the drag gives the parameter, for tests that make the same drag in another
// format's panel and expect the same.
#pragma once

namespace testing_support {

struct KnobDrag {
    int x = 0; // the knob's centre, in panel pixels at 100 %
    int y = 0;
    float value = 0.0f; // normalised, after the drag
};

// Presses the knob's centre, moves down by pixels and lets go.
KnobDrag thresholdDragInVstEditor(int pixels);

} // namespace testing_support
