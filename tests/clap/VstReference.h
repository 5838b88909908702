// The VST effect, linked into the test program, as the reference for what the CLAP plug-in must do:
// driven as its host drives it (rate, switched on, a factory program).
#pragma once

#include "plugin/APlugin.h"
#include "tests/clap/ClapTestHost.h"

#include <string>

namespace claptest {

class VstEffect {
  public:
    VstEffect(int rate, int program);
    // The parameter set to what a CLAP plain value means.
    void set(clap::clap_id id, double plain);
    std::string display(clap::clap_id id);
    Stereo process(const Stereo& in);

  private:
    tmx1::APlugin effect;
};

} // namespace claptest
