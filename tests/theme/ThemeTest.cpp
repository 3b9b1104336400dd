#include "prefs/Prefs.h"
#include "tests/support/IsolatedSettings.h"
#include "theme/Theme.h"

#include <QSettings>

#include <gtest/gtest.h>

namespace {

using namespace tavrik;

// One empty store for the whole theme test binary (sprites read it too).
tavrik::test::IsolatedSettings isolated;

::testing::AssertionResult hasRgb(const QColor& c, int r, int g, int b) {
    const QColor rgb = c.toRgb();
    if (rgb.red() == r && rgb.green() == g && rgb.blue() == b && rgb.alpha() == 255) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "got (" << rgb.red() << ", " << rgb.green() << ", "
                                         << rgb.blue() << ", alpha " << rgb.alpha() << ")";
}

const AccentTheme& accentNamed(std::string_view name) {
    for (const AccentTheme& a : Accent::all()) {
        if (a.name == name) {
            return a;
        }
    }
    ADD_FAILURE() << "no accent " << name;
    return Accent::all().front();
}

class AccentTest : public ::testing::Test {
protected:
    void SetUp() override { Prefs::remove(Prefs::Key::accentTheme); }
};

TEST(ThemeColours, FixedColoursAreTheDocumentedSrgbValues) {
    EXPECT_TRUE(hasRgb(Theme::blue, 61, 123, 240));
    EXPECT_TRUE(hasRgb(Theme::blueDark, 47, 95, 208));
    EXPECT_TRUE(hasRgb(Theme::amber, 255, 180, 84));
    EXPECT_TRUE(hasRgb(Theme::bg, 6, 7, 7));
    EXPECT_TRUE(hasRgb(Theme::fg, 244, 245, 242));
    EXPECT_TRUE(hasRgb(Theme::muted, 138, 141, 130));
}

TEST(CardBackgroundChoice, FreshInstallationDrawsScanlines) {
    Prefs::remove(Prefs::Key::cardBackground);
    EXPECT_EQ(Theme::cardBackground(), Theme::CardBackground::Scanlines);
}

TEST(CardBackgroundChoice, ValuesOtherThanOneAndTwoAreScanlines) {
    ASSERT_TRUE(Prefs::setInteger(Prefs::Key::cardBackground, 1));
    EXPECT_EQ(Theme::cardBackground(), Theme::CardBackground::Solid);
    ASSERT_TRUE(Prefs::setInteger(Prefs::Key::cardBackground, 2));
    EXPECT_EQ(Theme::cardBackground(), Theme::CardBackground::LightStreaks);
    ASSERT_TRUE(Prefs::setInteger(Prefs::Key::cardBackground, 7));
    EXPECT_EQ(Theme::cardBackground(), Theme::CardBackground::Scanlines);
    ASSERT_TRUE(Prefs::setInteger(Prefs::Key::cardBackground, -1));
    EXPECT_EQ(Theme::cardBackground(), Theme::CardBackground::Scanlines);
    EXPECT_EQ(Theme::cardBackgroundLabels[2], "Light streaks");
}

TEST(AccentList, SixAccentsInPopUpOrder) {
    const auto all = Accent::all();
    ASSERT_EQ(all.size(), 6u);
    const char* names[] = {"Cobalt", "Lime", "Magenta", "Amber", "Cyan", "Violet"};
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].name, names[i]);
    }
    EXPECT_EQ(all[0].color, Theme::blue);
    EXPECT_EQ(all[0].dark, Theme::blueDark);
    EXPECT_TRUE(hasRgb(all[1].color, 184, 255, 46));
    EXPECT_TRUE(hasRgb(all[1].dark, 127, 191, 31));
    EXPECT_TRUE(hasRgb(all[3].color, 255, 176, 32));
    EXPECT_TRUE(hasRgb(all[5].dark, 109, 63, 208));
}

TEST(AccentList, AmberAccentIsNotTheStreakAmber) {
    EXPECT_NE(accentNamed("Amber").color, Theme::amber);
}

TEST(AccentTextOn, LightAccentsTakeDarkText) {
    for (const char* name : {"Lime", "Amber", "Cyan"}) {
        EXPECT_TRUE(hasRgb(accentNamed(name).textOn(), 10, 13, 2)) << name;
    }
}

TEST(AccentTextOn, DarkAccentsTakeTheForeground) {
    for (const char* name : {"Cobalt", "Magenta", "Violet"}) {
        EXPECT_EQ(accentNamed(name).textOn(), Theme::fg) << name;
    }
}

TEST(AccentTextOn, SplitLiesAtSixTenthsLuminance) {
    const AccentTheme darker{"darker", QColor(152, 152, 152), QColor(0, 0, 0)};  // 0.596
    EXPECT_EQ(darker.textOn(), Theme::fg);
    const AccentTheme lighter{"lighter", QColor(154, 154, 154), QColor(0, 0, 0)};  // 0.604
    EXPECT_TRUE(hasRgb(lighter.textOn(), 10, 13, 2));
}

TEST(AccentDim, CobaltDimsToTheDocumentedFractions) {
    const QColor dim = accentNamed("Cobalt").dim();
    EXPECT_NEAR(dim.redF() * 255, 27.45, 0.01);
    EXPECT_NEAR(dim.greenF() * 255, 55.35, 0.01);
    EXPECT_NEAR(dim.blueF() * 255, 120.0, 0.01);
    EXPECT_EQ(dim.alpha(), 255);
}

TEST(AccentDim, BlueIsScaledByAHalfTheOthersByFortyFivePercent) {
    const AccentTheme white{"white", QColor(255, 255, 255), QColor(0, 0, 0)};
    const QColor dim = white.dim();
    EXPECT_NEAR(dim.redF(), 0.45, 1e-4);
    EXPECT_NEAR(dim.greenF(), 0.45, 1e-4);
    EXPECT_NEAR(dim.blueF(), 0.5, 1e-4);
}

TEST(AccentDim, NonRgbColoursAreConvertedFirst) {
    const AccentTheme hsv{"hsv", QColor::fromHsv(0, 255, 255), QColor(0, 0, 0)};  // pure red
    const QColor dim = hsv.dim();
    EXPECT_NEAR(dim.redF(), 0.45, 1e-4);
    EXPECT_NEAR(dim.greenF(), 0.0, 1e-4);
}

TEST_F(AccentTest, CurrentIsCobaltOnAFreshInstallation) {
    EXPECT_EQ(Accent::current().name, "Cobalt");
}

TEST_F(AccentTest, CurrentFollowsTheStoredIndexAtEveryCall) {
    ASSERT_TRUE(Prefs::setInteger(Prefs::Key::accentTheme, 4));
    EXPECT_EQ(Accent::current().name, "Cyan");
    ASSERT_TRUE(Prefs::setInteger(Prefs::Key::accentTheme, 2));
    EXPECT_EQ(Accent::current().name, "Magenta");
}

TEST_F(AccentTest, OutOfRangeIndexesAreClamped) {
    ASSERT_TRUE(Prefs::setInteger(Prefs::Key::accentTheme, -3));
    EXPECT_EQ(Accent::current().name, "Cobalt");
    ASSERT_TRUE(Prefs::setInteger(Prefs::Key::accentTheme, 6));
    EXPECT_EQ(Accent::current().name, "Violet");
    ASSERT_TRUE(Prefs::setInteger(Prefs::Key::accentTheme, 99));
    EXPECT_EQ(Accent::current().name, "Violet");
}

TEST_F(AccentTest, GarbageIndexReadsAsCobalt) {
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Tavrik", "Tavrik");
    s.setValue("tavrik.accentTheme", QString("violet"));
    s.sync();
    EXPECT_EQ(Accent::current().name, "Cobalt");
}

}  // namespace
