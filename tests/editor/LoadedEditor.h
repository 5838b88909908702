// The built plug-in's editor opened through the loaded library's dispatcher inside a headless
// parent, as a host opens it.
#pragma once

#include "tests/support/LoadedPlugin.h"

#include "platform/headless/Screen.h"

namespace editortest {

class LoadedEditor : public testing_support::LoadedPlugin {
  protected:
    void open() { ASSERT_EQ(openEditorOn(screen), 1); }
    void idle() { plugin->dispatch(vst::effEditIdle); }
    platform::headless::HeadlessWindow& window() { return screen.LastWindow(); }

    platform::headless::Screen screen;
};

} // namespace editortest
