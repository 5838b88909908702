// What the editor of another instance of the loaded library composes off-screen, for comparing with
// what a window system shows of an editor in the same state.
#pragma once

#include "platform/headless/Screen.h"
#include "tests/support/LoadedPlugin.h"
#include "tests/support/ShownPanel.h"

namespace testing_support {

// The freshly opened editor of a new instance in program's state at percent, after one idle.
inline Shown headlessComposition(host::Host& host, int program, int percent) {
    host::HostedEffect twin(host, tmx1Library());
    twin.dispatch(vst::effSetProgram, 0, program);
    EXPECT_TRUE(host::requestEditorZoom(twin.record(), percent));
    platform::headless::Screen screen;
    EXPECT_EQ(host::openEditorOnScreen(twin.record(), screen), 1);
    twin.dispatch(vst::effEditIdle);
    Shown result = shownOnScreen(screen.LastWindow());
    twin.dispatch(vst::effEditClose);
    return result;
}

// Pixels that differ at all; every pixel of both when the sizes differ.
inline int differingPixels(const Shown& a, const Shown& b) {
    if (a.width != b.width || a.height != b.height)
        return a.width * a.height + b.width * b.height;
    int count = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        count += a.pixels[i] != b.pixels[i] ? 1 : 0;
    return count;
}

} // namespace testing_support
