// What a plug-in format gives the panel it shows: the effect's state to show and the host's answers.
// The VST bridge reads them from the effect it lives in; the LV2 user interface from the port values the
// host last reported. The panel session calls all of it on the host's editor thread, during its own
// calls (open, idle, a gesture), never from the audio thread.
#pragma once

#include "editor/EffectLink.h"
#include "dsp/ParameterTable.h"

#include <array>

namespace tmx1 {

// One look at the meters: the levels as linear peaks, the gains as linear factors (1.0 = no reduction).
struct PanelMeters {
    std::array<float, 4> levels{};          // In L, In R, Out L, Out R
    std::array<float, 2> gains{1.0f, 1.0f}; // Comp L, Comp R
};

class PanelHost : public EffectLink {
  public:
    // True when a parameter changed since the last call (the panel then reads them all). A format whose
    // parameters change on another thread raises an atomic flag there and exchanges it here.
    virtual bool TakeParameterUpdate() = 0;
    // Every parameter's value now, normalised.
    virtual void ReadParameters(std::array<float, kNumParams>& values) = 0;
    // The program whose factory values the panel's recall button restores.
    virtual int CurrentProgram() = 0;
    virtual PanelMeters ReadMeters() = 0;
    virtual bool OverCompressionLatched() = 0;
    // The panel has just shown the over-compression state: once it has seen a latch, the effect may
    // clear it when the over-compression ends.
    virtual void OverCompressionShown(bool latched) = 0;
    // Asks the host to give the panel's window this client size; false when it cannot or will not.
    virtual bool RequestSize(int width, int height) = 0;
    // The scale the host shows plug-in windows at (1.5 for 150 %), 0 when it said none.
    virtual double HostScale() const = 0;
};

} // namespace tmx1
