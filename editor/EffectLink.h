// What the editor panel needs of the effect it edits: a way to hand it a user's edit. Everything else
// reaches the panel from outside (values, meters, the program), written into the window's fields by the
// panel session (editor/PanelSession.h) from what the format's PanelHost reports: the VST editor bridge
// reads the effect directly, the LV2 user interface the plug-in's ports.
#pragma once

namespace tmx1 {

class EffectLink {
  public:
    virtual ~EffectLink() = default;
    // The user set parameter index (0..9) to value (normalised, 0..1): the effect takes it and tells
    // its host, as automation.
    virtual void SendParameter(int index, float value) = 0;
    // The user starts and ends an edit of parameter index: every SendParameter from the panel comes
    // between the two (a knob from press to release, a click or a program recall one parameter at a
    // time), so that the host can record it as one gesture and keeps its own automation off meanwhile.
    virtual void BeginEdit(int index) = 0;
    virtual void EndEdit(int index) = 0;
};

} // namespace tmx1
