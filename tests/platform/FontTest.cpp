// Text for the labels: the family a form names resolves to an installed face, widths follow the text,
// the line height follows the size only, and the coverage is anti-aliased ink inside the measured box,
// each glyph drawn on the baseline where measuring placed it.
#include "platform/Font.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using platform::Font;
using platform::TextCoverage;

const std::string replacement = "\xEF\xBF\xBD"; // U+FFFD, well formed

std::uint8_t inkAt(const TextCoverage& coverage, int x, int y) {
    return coverage.alpha[static_cast<std::size_t>(y * coverage.width + x)];
}

bool inkInRows(const TextCoverage& coverage, int from, int to) {
    for (int y = std::max(from, 0); y < std::min(to, coverage.height); ++y)
        for (int x = 0; x < coverage.width; ++x)
            if (inkAt(coverage, x, y) != 0)
                return true;
    return false;
}

TEST(Fonts, ArialAndItsStylesResolveToLiberationSansFaces) {
    const auto file = [](bool bold, bool italic) {
        return Font::Open("Arial", 11, bold, italic)->FileName();
    };
    EXPECT_NE(file(false, false).find("LiberationSans-Regular"), std::string::npos) << file(false, false);
    EXPECT_NE(file(true, false).find("LiberationSans-Bold."), std::string::npos) << file(true, false);
    EXPECT_NE(file(false, true).find("LiberationSans-Italic"), std::string::npos) << file(false, true);
    const auto unknown = Font::Open("No Such Family At All", 11, false, false);
    EXPECT_FALSE(unknown->FileName().empty());
    EXPECT_GT(unknown->Measure("Comp").width, 0) << "an unknown family falls back to a usable face";
}

TEST(Fonts, WidthsFollowTheTextAndTheLineHeightOnlyTheSize) {
    const auto font = Font::Open("Arial", 11, false, false);
    const auto dash = font->Measure("-");
    EXPECT_GT(dash.width, 0);
    EXPECT_LT(dash.width, font->Measure("-40.00").width);
    EXPECT_GT(font->Measure("W").width, font->Measure("i").width);
    EXPECT_LT(font->Measure("To").width, font->Measure("T").width + font->Measure("o").width)
        << "the face's kerning pairs";
    for (const char* text : {"", "W", "g_", "\xC3\x89tat"})
        EXPECT_EQ(font->Measure(text).height, dash.height) << text;
    EXPECT_EQ(font->Measure("").width, 0);
    EXPECT_GE(dash.height, 11) << "ascent and descent together exceed the em";
    EXPECT_GT(dash.ascent, dash.height / 2);
    EXPECT_LT(dash.ascent, dash.height);
    EXPECT_LT(Font::Open("Arial", 9, false, false)->Measure("-").height, dash.height);
    EXPECT_GT(Font::Open("Arial", 16, false, false)->Measure("-").height, dash.height);
}

TEST(Fonts, RenderingIsAntiAliasedInkInsideTheMeasuredBox) {
    const auto font = Font::Open("Arial", 11, false, false);
    for (const char* text : {"Comp", "", " ", "fj/"}) {
        const auto extent = font->Measure(text);
        const auto coverage = font->Render(text);
        EXPECT_EQ(coverage.width, extent.width) << text;
        EXPECT_EQ(coverage.height, extent.height) << text;
        EXPECT_EQ(coverage.alpha.size(), static_cast<std::size_t>(extent.width * extent.height)) << text;
    }
    const auto comp = font->Render("Comp");
    const auto& alpha = comp.alpha;
    EXPECT_GT(std::count_if(alpha.begin(), alpha.end(), [](auto a) { return a > 200; }), 5);
    EXPECT_GT(std::count_if(alpha.begin(), alpha.end(), [](auto a) { return a > 0 && a < 200; }), 5)
        << "edges are anti-aliased";
    const auto space = font->Render(" ");
    EXPECT_GT(space.width, 0);
    EXPECT_FALSE(inkInRows(space, 0, space.height));
}

TEST(Fonts, GlyphsSitOnTheBaselineWhereMeasuringPlacedThem) {
    const auto font = Font::Open("Arial", 11, false, false);
    const int ascent = font->Measure("x").ascent;
    const auto x = font->Render("x");
    EXPECT_TRUE(inkInRows(x, ascent - 1, ascent)) << "x stands on the baseline";
    EXPECT_FALSE(inkInRows(x, ascent, x.height));
    EXPECT_TRUE(inkInRows(font->Render("_"), ascent, x.height)) << "an underscore hangs below the baseline";
    EXPECT_FALSE(inkInRows(font->Render("'"), ascent - 2, x.height)) << "an apostrophe stays high";

    // A glyph after itself lies exactly one measured advance after the first copy: faces whose hinting
    // moves advances show a glyph drawn elsewhere than measured. After a space, a "j" keeps the ink left
    // of its pen that the box cuts off when it stands first.
    int compared = 0;
    for (const char* family : {"Arial", "DejaVu Sans Condensed", "DejaVu Serif"})
        for (int size = 7; size <= 16; ++size) {
            const auto face = Font::Open(family, size, false, false);
            for (const std::string glyph : {"T", "|", "m", "W", "j"}) {
                const int advance = face->Measure(glyph).width;
                const auto once = face->Render(glyph);
                for (const std::string& before : {glyph, std::string(" ")}) {
                    const int pen = face->Measure(before).width;
                    if (face->Measure(before + glyph).width != pen + advance)
                        continue; // a kerned pair
                    const auto joined = face->Render(before + glyph);
                    for (int y = 0; y < once.height; ++y)
                        for (int column = 0; column < advance; ++column)
                            ASSERT_GE(inkAt(joined, pen + column, y), inkAt(once, column, y))
                                << face->FileName() << " at " << size << " px: " << before << glyph;
                    ++compared;
                }
            }
        }
    EXPECT_GT(compared, 200);
}

TEST(Fonts, MalformedTextRendersOneReplacementGlyphPerBrokenSequence) {
    const auto font = Font::Open("Arial", 11, false, false);
    ASSERT_GT(font->Measure(replacement).width, 0);
    const std::string r = replacement;
    const std::pair<std::string, std::string> cases[] = {
        {"a\xFF"
         "b",
         "a" + r + "b"},
        {"a\xC3(", "a" + r + "("},           // a truncated pair keeps the next character
        {"\xE2\x82", r},                     // truncated at the end
        {"\x80\x80", r + r},                 // lone continuation bytes
        {"\xC0\xAF", r + r},                 // overlong
        {"\xED\xA0\x80", r + r + r},         // a surrogate
        {"\xF4\x90\x80\x80", r + r + r + r}, // past U+10FFFF
    };
    for (const auto& [broken, shown] : cases) {
        EXPECT_EQ(font->Measure(broken).width, font->Measure(shown).width) << broken;
        EXPECT_EQ(font->Render(broken).alpha, font->Render(shown).alpha) << broken;
    }
    // Well-formed multi-byte characters are one glyph each, not replacements.
    EXPECT_EQ(font->Measure("\xC3\xBC").width, font->Measure("u").width);
    EXPECT_NE(font->Render("\xE2\x82\xAC").alpha, font->Render(replacement).alpha) << "the euro sign";
}

} // namespace
