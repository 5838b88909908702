// The typeset manual holds what a musician looks for: every section, every parameter, program and
// control by the name the host and the panel show, the version being built, and its pictures.
#include "editor/PanelControls.h"
#include "editor/uEditor.h"
#include "dsp/APluginProgram.h"
#include "dsp/ParameterTable.h"
#include "tests/manual/PrintedManual.h"
#include "toolkit/FormTextTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace {

using testing_support::PrintedManual;

const PrintedManual& manual() {
    static const auto printed = std::make_unique<PrintedManual>(TMX1_MANUAL_PDF);
    return *printed;
}

std::string upperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

// A switch's caption on the panel: its parameter's name in capitals, a hyphen written as a space.
std::string switchCaption(const char* parameterName) {
    std::string caption = upperCase(parameterName);
    std::replace(caption.begin(), caption.end(), '-', ' ');
    return caption;
}

// Headings of one level in the manual's source, tags inside them removed.
std::vector<std::string> sourceHeadings(const std::string& level) {
    const std::string html = testing_support::fileText(TMX1_MANUAL_HTML);
    const std::regex heading("<" + level + "(?: [^>]*)?>([^]*?)</" + level + ">");
    std::vector<std::string> headings;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), heading); it != std::sregex_iterator();
         ++it) {
        std::string text = std::regex_replace((*it)[1].str(), std::regex("<[^>]*>"), "");
        headings.push_back(std::regex_replace(text, std::regex("\\s+"), " "));
    }
    return headings;
}

// What the manual calls each component of the panel's layout, as the panel captions it: knobs and
// switches by their parameter, the selector's buttons by release type, the meters by their hold
// label's first caption, and the hotspots and compare buttons by the artwork's captions.
std::map<std::string, std::string> panelTerms(const toolkit::TFormTextObject& layout) {
    std::map<std::string, std::string> terms{{"ABSwitch", "A/B"},        {"CopySwitch", "COPY"},
                                             {"RecallSwitch", "RECALL"}, {"OC_LED", "OC"},
                                             {"UsersManual", "MANUAL"},  {"About", "INFO"},
                                             {"Logo", "logo"},           {"Baggrund", "The panel"}};
    for (int i = 0; i < tmx1::kNumParams; ++i) {
        const tmx1::ParameterControl& control = tmx1::kParameterControls[i];
        const char* name = tmx1::kParameters[i].name;
        if (control.kind == tmx1::ControlKind::knob) {
            terms[control.control] = upperCase(name);
            terms[control.valueLabel] = "Value windows";
        } else if (control.kind == tmx1::ControlKind::lamp) {
            terms[control.control] = switchCaption(name);
        }
        for (std::size_t type = 0; type < control.buttons.size(); ++type)
            terms[control.buttons[type]] = upperCase(tmx1::kReleaseTypeNames[type]);
    }
    for (const tmx1::MeterGroup& group : tmx1::kMeterGroups) {
        const std::string caption = upperCase(layout.Get(group.holdLabel).Property("Caption")->Text());
        terms[group.holdLabel] = terms[group.bars[0]] = terms[group.bars[1]] = caption;
    }
    return terms;
}

TEST(ManualSections, EveryChapterIsPrintedAndListedInTheContents) {
    const std::vector<std::string> chapters = sourceHeadings("h1");
    ASSERT_GE(chapters.size(), 14u) << "the manual's source lost its chapters";
    for (const std::string& chapter : chapters) {
        if (chapter.find("Tollimax") != std::string::npos) // the title page's product line
            continue;
        EXPECT_GE(manual().occurrences(chapter), 2) << "\"" << chapter << "\" missing from text or contents";
    }
}

TEST(ManualSections, EverySubheadingIsPrinted) {
    for (const std::string& heading : sourceHeadings("h2"))
        EXPECT_TRUE(manual().contains(heading)) << heading;
}

TEST(ManualNames, EveryParameterAsTheHostListsIt) {
    for (const tmx1::ParameterInfo& parameter : tmx1::kParameters)
        EXPECT_TRUE(manual().contains(parameter.name)) << parameter.name;
}

TEST(ManualNames, EveryReleaseTypeWithItsOwnSection) {
    const std::vector<std::string> headings = sourceHeadings("h2");
    for (const char* type : tmx1::kReleaseTypeNames) {
        EXPECT_TRUE(manual().contains(type)) << type;
        EXPECT_NE(std::find(headings.begin(), headings.end(), type), headings.end())
            << type << " has no section";
    }
}

TEST(ManualNames, EveryFactoryProgramByItsExactName) {
    for (const tmx1::FactoryProgram& program : tmx1::kFactoryPrograms)
        EXPECT_TRUE(manual().contains(program.name)) << program.name;
}

TEST(ManualPanel, EveryComponentOfTheLayoutIsNamedAsThePanelCaptionsIt) {
    const toolkit::TFormTextObject layout =
        toolkit::ParseFormText(testing_support::fileText(TMX1_LAYOUT_TEXT));
    const std::map<std::string, std::string> terms = panelTerms(layout);
    const toolkit::TFormTextObject& container = layout.Get("DIBContainer1");
    ASSERT_FALSE(container.children.empty());
    for (const toolkit::TFormTextObject& component : container.children) {
        const auto term = terms.find(component.name);
        if (term == terms.end()) {
            ADD_FAILURE() << component.name << " is on the panel but the manual names nothing for it";
            continue;
        }
        EXPECT_TRUE(manual().contains(term->second)) << component.name << " as " << term->second;
    }
}

TEST(ManualPanel, TheLogoNamesTheMakersWebAddress) { EXPECT_TRUE(manual().contains(tmx1::kMakerWebAddress)); }

TEST(ManualVersion, EveryVersionStatedIsTheOneBeingBuilt) {
    const std::string& text = manual().text();
    EXPECT_TRUE(manual().contains(std::string("Version ") + TMX1_PROJECT_VERSION));
    const std::regex stated("[Vv]ersion ([0-9]+\\.[0-9]+)");
    int count = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), stated); it != std::sregex_iterator();
         ++it, ++count)
        EXPECT_EQ((*it)[1].str(), TMX1_PROJECT_VERSION) << (*it)[0].str();
    EXPECT_GE(count, 2) << "the title page and the version section both state it";
}

TEST(ManualDocument, TitleAuthorAndPageSize) {
    const std::string title = manual().info("Title");
    EXPECT_NE(title.find("TMX-1"), std::string::npos) << title;
    EXPECT_NE(title.find("Tollimax"), std::string::npos) << title;
    EXPECT_NE(title.find("Manual"), std::string::npos) << title;
    EXPECT_NE(title.find(TMX1_PROJECT_VERSION), std::string::npos) << title;
    EXPECT_EQ(manual().info("Author"), "Brindlow Audio");
    EXPECT_NE(manual().info("Page size").find("(A4)"), std::string::npos) << manual().info("Page size");
}

// WeasyPrint leaves a picture it cannot load out with no more than a warning.
TEST(ManualDocument, EveryPictureOfTheSourceIsEmbedded) {
    const std::string html = testing_support::fileText(TMX1_MANUAL_HTML);
    const std::regex image("<img ");
    const auto sourcePictures =
        std::distance(std::sregex_iterator(html.begin(), html.end(), image), std::sregex_iterator());
    EXPECT_GE(manual().pictureCount(), 6);
    EXPECT_EQ(manual().pictureCount(), sourcePictures);
}

} // namespace
