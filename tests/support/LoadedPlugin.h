// A test fixture that loads the built plug-in through its exported entry and drives it only through
// the effect record, exactly as a host does.
#pragma once

#include "tools/tmx1-host/EditorOnScreen.h"
#include "tools/tmx1-host/Host.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace testing_support {

// The TMX-1 library, loaded once for the whole test program: the one the build made, or the one the
// environment variable TMX1_PLUGIN_PATH names.
std::shared_ptr<const host::PluginLibrary> tmx1Library();

class LoadedPlugin : public ::testing::Test {
  protected:
    host::Host host;
    std::unique_ptr<host::HostedEffect> plugin = std::make_unique<host::HostedEffect>(host, tmx1Library());

    std::string display(int index) { return plugin->text(vst::effGetParamDisplay, index); }
    std::string programName() { return plugin->text(vst::effGetProgramName); }
    vst::IntPtr setProgram(int program) { return plugin->dispatch(vst::effSetProgram, 0, program); }
    vst::IntPtr currentProgram() { return plugin->dispatch(vst::effGetProgram); }
    // One block of silence, so that the effect takes the parameter changes made so far.
    void processOneBlock(int frames = 64);
    // The editor opened on screen through the record; effEditOpen's answer.
    vst::IntPtr openEditorOn(platform::headless::Screen& screen) {
        return host::openEditorOnScreen(plugin->record(), screen);
    }
};

} // namespace testing_support
