// The panel's presets: the menu saves the values the panel shows as a program file in the user's
// preset folder and loads one from there, each value sent to the effect as one edit, as the recall
// button does. What goes wrong is said in an information box; a refused file changes nothing.
#include "editor/uEditor.h"

#include "dsp/APluginProgram.h"
#include "editor/UserPresets.h"
#include "editor/PanelMenu.h"
#include "presets/PresetCodec.h"
#include "presets/PresetFile.h"

#include <algorithm>
#include <array>
#include <system_error>
#include <variant>

namespace tmx1 {

namespace {

std::string currentProgramName(std::int32_t index) {
    return kFactoryPrograms[static_cast<std::size_t>(index >= 0 && index < kNumPrograms ? index : 0)].name;
}

} // namespace

void TPluginEditorWindow::OpenMenu(int x, int y) {
    presetFiles_.clear();
    std::vector<std::string> names;
    if (const std::optional<std::filesystem::path> folder = UserPresetFolder())
        for (const std::filesystem::path& file : PresetFilesIn(*folder)) {
            presetFiles_.push_back(file);
            names.push_back(file.stem().string());
        }
    panelMenu_->Open(x, y, Zoom().Percent(), pendingZoom_, names);
}

void TPluginEditorWindow::SavePreset() {
    const std::optional<std::filesystem::path> folder = UserPresetFolder();
    if (!folder) {
        Tell("The preset was not saved: this system names no folder for the user's files.");
        return;
    }
    std::error_code error;
    std::filesystem::create_directories(*folder, error);
    if (error) {
        Tell("The preset was not saved: " + folder->string() + " cannot be made (" + error.message() + ").");
        return;
    }
    const std::filesystem::path path = UnusedPresetPath(*folder, currentProgramName(ProgramIndex));
    const presets::Program program{path.stem().string(), {ParamValues.begin(), ParamValues.end()}};
    try {
        presets::writePresetFile(path, presets::encodeProgram(program, PresetIdentity()));
    } catch (const presets::PresetError& refusal) {
        Tell(std::string("The preset was not saved: ") + refusal.what());
        return;
    }
    Tell("The settings were saved as \"" + path.stem().string() + "\" in " + folder->string() + ".");
}

void TPluginEditorWindow::LoadPreset(const std::filesystem::path& path) {
    presets::Preset preset;
    try {
        preset = presets::readPresetFile(path, PresetIdentity());
    } catch (const presets::PresetError& refusal) {
        Tell(std::string("The preset was not loaded: ") + refusal.what());
        return;
    }
    const auto* program = std::get_if<presets::Program>(&preset);
    if (program == nullptr) {
        Tell("The preset was not loaded: " + path.string() + " is a bank of programs, not one program.");
        return;
    }
    std::array<float, kEditorParams> values{};
    std::copy(program->values.begin(), program->values.end(), values.begin());
    RecallValues(values);
}

void TPluginEditorWindow::Tell(const std::string& text) {
    if (Window() != nullptr)
        Window()->ShowInformation("TMX-1", text);
}

} // namespace tmx1
