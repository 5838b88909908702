// A VST 2.x plug-in library on disk: loaded, with its entry found.
#pragma once

#include "platform/SharedLibrary.h"
#include "plugin/VstInterface.h"

#include <stdexcept>
#include <string>

namespace host {

// Every hosting failure: one line that says what is wrong with which file.
class HostError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class PluginLibrary {
  public:
    // Throws HostError when the file is missing, is no shared library or exports no VST entry.
    explicit PluginLibrary(const std::string& path);

    vst::MainEntry entry() const { return entry_; }
    const std::string& path() const { return library.path(); }

  private:
    platform::SharedLibrary library;
    vst::MainEntry entry_ = nullptr;
};

} // namespace host
