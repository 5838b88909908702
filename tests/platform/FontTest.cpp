// Text for the labels: the family a form names resolves to an installed face, widths follow the text,
// the line height follows the size only, and the coverage is anti-aliased ink inside its box.
#include "platform/Font.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using platform::Font;

TEST(Fonts, ArialResolvesToAMetricCompatibleFace) {
    const auto font = Font::Open("Arial", 11, false, false);
    EXPECT_NE(font->FileName().find("Liberation"), std::string::npos) << font->FileName();
    const auto unknown = Font::Open("No Such Family At All", 11, false, false);
    EXPECT_FALSE(unknown->FileName().empty()) << "an unknown family falls back to a face";
}

TEST(Fonts, WidthsFollowTheTextAndHeightsTheSize) {
    const auto font = Font::Open("Arial", 11, false, false);
    const auto dash = font->Measure("-");
    EXPECT_GT(dash.width, 0);
    EXPECT_LT(dash.width, font->Measure("-40.00").width);
    EXPECT_GT(font->Measure("W").width, font->Measure("i").width);
    EXPECT_EQ(font->Measure("").width, 0);
    EXPECT_EQ(font->Measure("").height, dash.height) << "the line height does not depend on the text";
    EXPECT_GE(dash.height, 11);
    EXPECT_GT(dash.ascent, dash.height / 2);
    const auto small = Font::Open("Arial", 9, false, false);
    EXPECT_LT(small->Measure("-").height, dash.height);
    const auto bold = Font::Open("Arial", 11, true, false);
    EXPECT_GE(bold->Measure("Comp").width, font->Measure("Comp").width);
}

TEST(Fonts, RenderingIsAntiAliasedInkInsideTheMeasuredBox) {
    const auto font = Font::Open("Arial", 11, false, false);
    const auto extent = font->Measure("Comp");
    const auto coverage = font->Render("Comp");
    ASSERT_EQ(coverage.width, extent.width);
    ASSERT_EQ(coverage.height, extent.height);
    ASSERT_EQ(coverage.alpha.size(), static_cast<std::size_t>(extent.width * extent.height));
    const auto full =
        std::count_if(coverage.alpha.begin(), coverage.alpha.end(), [](auto a) { return a > 200; });
    const auto partial =
        std::count_if(coverage.alpha.begin(), coverage.alpha.end(), [](auto a) { return a > 0 && a < 200; });
    EXPECT_GT(full, 5);
    EXPECT_GT(partial, 5) << "edges are anti-aliased";
    const auto space = font->Render(" ");
    EXPECT_TRUE(std::all_of(space.alpha.begin(), space.alpha.end(), [](auto a) { return a == 0; }));
    // Ink of "_" lies below the baseline, of "'" above it.
    const auto under = font->Render("_");
    bool inkBelow = false;
    for (int y = extent.ascent; y < under.height; ++y)
        for (int x = 0; x < under.width; ++x)
            inkBelow |= under.alpha[static_cast<std::size_t>(y * under.width + x)] != 0;
    EXPECT_TRUE(inkBelow);
}

TEST(Fonts, MalformedTextRendersReplacementGlyphsWithoutFault) {
    const auto font = Font::Open("Arial", 11, false, false);
    const std::string broken = "a\xC3\x28\xFF\xE2\x82";
    const auto coverage = font->Render(broken);
    EXPECT_GT(coverage.width, font->Measure("a").width);
    EXPECT_EQ(coverage.alpha.size(), static_cast<std::size_t>(coverage.width * coverage.height));
    EXPECT_EQ(font->Measure("d\xC3\xBCnn").width, font->Measure("d\xC3\xBC"
                                                                "nn")
                                                      .width);
}

} // namespace
