#include "plugin/APluginEditor.h"

#include "plugin/APlugin.h"

namespace tmx1 {

APluginEditor::APluginEditor(APlugin* plugin) : AEffEditor(plugin), plugin(plugin) {}

APluginEditor::~APluginEditor() {
    if (open_)
        plugin->setEditorClosed(true);
}

vst::Int32 APluginEditor::getRect(vst::ERect** answer) {
    rect = {0, 0, kEditorHeight, kEditorWidth};
    *answer = &rect;
    return 1;
}

vst::Int32 APluginEditor::open(void* parentWindow) {
    if (open_)
        return 1; // never a second window
    open_ = true;
    systemWindow = parentWindow;
    postUpdate(); // the first idle refreshes every control
    plugin->setEditorClosed(false);
    return 1;
}

void APluginEditor::close() {
    if (!open_)
        return;
    open_ = false;
    plugin->setEditorClosed(true);
    systemWindow = nullptr;
}

void APluginEditor::idle() {
    if (plugin->isEditorClosed() || !open_)
        return;
    AEffEditor::idle();
}

void APluginEditor::update() {}

} // namespace tmx1
