#include "theme/Theme.h"

#include <gtest/gtest.h>

namespace {

using namespace tavrik;

TEST(Theme, CardBackgroundOfStoredValues) {
    using enum Theme::CardBackground;
    const std::pair<std::int64_t, Theme::CardBackground> table[] = {
        {0, Scanlines}, {1, Solid}, {2, LightStreaks}, {3, Scanlines}, {-1, Scanlines}};
    for (const auto& [stored, background] : table) {
        EXPECT_EQ(Theme::cardBackgroundFor(stored), background) << stored;
    }
}

TEST(Theme, AccentsTextAndDimColours) {
    const QColor darkText(10, 13, 2);
    const std::pair<const char*, bool> accents[] = {{"Cobalt", false},  {"Lime", true},
                                                    {"Magenta", false}, {"Amber", true},
                                                    {"Cyan", true},     {"Violet", false}};
    ASSERT_EQ(Accent::all().size(), std::size(accents));
    for (std::size_t i = 0; i < std::size(accents); ++i) {
        const AccentTheme& a = Accent::all()[i];
        EXPECT_EQ(a.name, accents[i].first);
        EXPECT_EQ(a.textOn(), accents[i].second ? darkText : Theme::fg) << a.name;
    }
    EXPECT_EQ(Accent::all()[0], Accent::cobalt);
    // The split lies at luminance 0.6: 152 grey is 0.596, 154 grey 0.604.
    EXPECT_EQ((AccentTheme{"", QColor(152, 152, 152), {}}.textOn()), Theme::fg);
    EXPECT_EQ((AccentTheme{"", QColor(154, 154, 154), {}}.textOn()), darkText);
    // Dimming scales red and green by 0.45 and blue by 0.5, after converting to RGB.
    const QColor dim = AccentTheme{"", QColor::fromHsv(0, 0, 255), {}}.dim();
    EXPECT_NEAR(dim.redF(), 0.45, 1e-4);
    EXPECT_NEAR(dim.greenF(), 0.45, 1e-4);
    EXPECT_NEAR(dim.blueF(), 0.5, 1e-4);
}

}  // namespace
