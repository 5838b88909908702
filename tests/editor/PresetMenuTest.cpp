// The panel's presets, chosen in its right-click menu: the settings saved into the user's preset folder
// as a program file of the effect, listed there and loaded back as edits, and a damaged file refused in
// an information box without a change.
#include "tests/editor/EditorFixture.h"

#include "editor/PanelMenu.h"
#include "presets/PresetCodec.h"
#include "presets/PresetFile.h"
#include "tests/support/ScopedEnvironment.h"

#include <fstream>
#include <optional>
#include <random>
#include <string>

namespace editortest {
namespace {

class PanelPresets : public OpenEditor {
  protected:
    void SetUp() override {
        dataHome =
            std::filesystem::temp_directory_path() / ("tmx1-data-" + std::to_string(std::random_device()()));
        environment.emplace("XDG_DATA_HOME", dataHome.string());
        OpenEditor::SetUp();
        openEditor();
        idle();
    }
    void TearDown() override {
        OpenEditor::TearDown();
        environment.reset();
        std::filesystem::remove_all(dataHome);
    }

    std::filesystem::path presetFolder() const { return dataHome / "Brindlow Audio" / "TMX-1" / "Presets"; }
    // The effect as a host sees it, which the files must name.
    presets::PluginIdentity effectIdentity() const {
        const vst::AEffect& record = *plugin->getAeffect();
        return {"TMX-1", record.uniqueID, record.version, record.numParams, record.numPrograms};
    }
    std::vector<float> effectValues() const {
        std::vector<float> values;
        for (int i = 0; i < tmx1::kNumParams; ++i)
            values.push_back(plugin->getParameter(i));
        return values;
    }
    std::vector<std::string> menuCaptions() {
        screenWindow().Press(300, 150, platform::MouseButton::Right);
        screenWindow().Release(300, 150, platform::MouseButton::Right);
        std::vector<std::string> captions;
        for (int i = 0; i < window().PanelMenu().EntryCount(); ++i)
            captions.push_back(window().PanelMenu().EntryCaption(i));
        screenWindow().Press(1, 1); // closes it
        return captions;
    }
    void choose(const std::string& caption) {
        screenWindow().Press(300, 150, platform::MouseButton::Right);
        screenWindow().Release(300, 150, platform::MouseButton::Right);
        tmx1::TPanelMenu& menu = window().PanelMenu();
        ASSERT_TRUE(menu.IsOpen());
        for (int i = 0; i < menu.EntryCount(); ++i)
            if (menu.EntryCaption(i) == caption) {
                const platform::Rect entry = menu.EntryRect(i);
                screenWindow().Press(entry.Left + entry.Width() / 2, entry.Top + entry.Height() / 2);
                idle();
                return;
            }
        FAIL() << "the menu has no entry \"" << caption << "\"";
    }
    std::string lastInformation() const {
        return screen.InformationBoxes().empty() ? "" : screen.InformationBoxes().back().text;
    }

    std::filesystem::path dataHome;
    std::optional<testing_support::ScopedEnvironment> environment;
};

TEST_F(PanelPresets, SavedSettingsAreAProgramOfTheEffectThatLoadsBackAsEdits) {
    plugin->setParameter(0, 0.3f);
    plugin->setParameter(3, 0.25f);
    idle();
    const std::vector<float> saved = effectValues();
    choose("Save Preset");
    const auto first = presetFolder() / "Warm Tollimation.fxp";
    const auto program = std::get<presets::Program>(presets::readPresetFile(first, effectIdentity()));
    EXPECT_EQ(program.values, saved);
    EXPECT_EQ(program.name, "Warm Tollimation");
    EXPECT_NE(lastInformation().find(presetFolder().string()), std::string::npos) << lastInformation();
    choose("Save Preset");
    EXPECT_TRUE(std::filesystem::exists(presetFolder() / "Warm Tollimation 2.fxp")) << "the first was kept";

    plugin->setParameter(0, 0.9f);
    idle();
    const std::vector<std::string> captions = menuCaptions();
    EXPECT_EQ(std::vector<std::string>(captions.begin() + 3, captions.end()),
              (std::vector<std::string>{"Save Preset", "Load Warm Tollimation", "Load Warm Tollimation 2"}));
    automated.clear();
    edits.clear();
    choose("Load Warm Tollimation");
    EXPECT_EQ(effectValues(), saved);
    EXPECT_EQ(automated.size(), static_cast<std::size_t>(tmx1::kNumParams)) << "each value goes to the host";
    EXPECT_EQ(edits.size(), 3 * automated.size()) << "each value as one edit, begun and ended";
}

TEST_F(PanelPresets, ADamagedOrForeignFileIsRefusedWithItsReasonAndChangesNothing) {
    std::filesystem::create_directories(presetFolder());
    const std::vector<float> before = effectValues();
    std::vector<float> other(before.size(), 0.5f);
    const auto valid = presets::encodeProgram({"Other", other}, effectIdentity());
    presets::writePresetFile(presetFolder() / "Cut.fxp", {valid.begin(), valid.end() - 1});
    auto foreign = effectIdentity();
    foreign.uniqueId = 0x41626364; // 'Abcd'
    presets::writePresetFile(presetFolder() / "Foreign.fxp",
                             presets::encodeProgram({"Other", other}, foreign));
    automated.clear();
    choose("Load Cut");
    EXPECT_NE(lastInformation().find("truncated"), std::string::npos) << lastInformation();
    choose("Load Foreign");
    EXPECT_NE(lastInformation().find("made for another plug-in"), std::string::npos) << lastInformation();
    EXPECT_EQ(effectValues(), before);
    EXPECT_TRUE(automated.empty());
}

} // namespace
} // namespace editortest
