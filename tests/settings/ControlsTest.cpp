// The appearance and shape controls: each writes its preference, calls the change callback
// once, and the labels and pop-ups show what is stored.

#include "prefs/Prefs.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tests/support/IsolatedSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavrik::test {
namespace {

IsolatedSettings isolated;

using Prefs::Key;

std::vector<std::string> items(const QComboBox* box) {
    std::vector<std::string> out;
    for (int i = 0; i < box->count(); ++i) {
        out.push_back(box->itemText(i).toStdString());
    }
    return out;
}

// Picks an entry the way the pop-up's list does when the user clicks it.
void choose(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    Q_EMIT box->activated(index);
}

std::vector<std::string> shapeLabels(const SettingsWindowController::Controls& c) {
    return {c.stepper(Prefs::Key::notchFlare).value->text().toStdString(),
            c.stepper(Prefs::Key::notchRound).value->text().toStdString(),
            c.stepper(Prefs::Key::notchWidthOffset).value->text().toStdString(),
            c.stepper(Prefs::Key::notchXOffset).value->text().toStdString(),
            c.stepper(Prefs::Key::notchHeightOffset).value->text().toStdString()};
}

using StringList = std::vector<std::string>;

// --- pop-ups ---

TEST_F(SettingsWindowTest, PopUpsListTheirEntriesInStoredOrder) {
    open();
    EXPECT_EQ(items(c().notchRightStatPopup),
              (StringList{"Tavrik Score", "Lines today", "$ today", "Streak", "Total lines",
                          "Total $", "Sessions"}));
    EXPECT_EQ(items(c().notchSpritePopup),
              (StringList{"Ship", "Rocket", "Wave", "Bolt", "Invader", "Anchor"}));
    EXPECT_EQ(items(c().accentPopup),
              (StringList{"Cobalt", "Lime", "Magenta", "Amber", "Cyan", "Violet"}));
    EXPECT_EQ(items(c().cardStylePopup), (StringList{"Scanlines", "Solid", "Light streaks"}));
}

TEST_F(SettingsWindowTest, AFreshInstallationShowsTheDefaults) {
    open();
    EXPECT_EQ(c().notchRightStatPopup->currentText(), "Lines today");
    EXPECT_EQ(c().notchSpritePopup->currentIndex(), 0);
    EXPECT_EQ(c().accentPopup->currentText(), "Cobalt");
    EXPECT_EQ(c().cardStylePopup->currentText(), "Scanlines");
    EXPECT_FALSE(c().leaderboardCheckbox->isChecked());
    EXPECT_FALSE(c().privateModeCheckbox->isChecked());
    EXPECT_EQ(shapeLabels(c()), (StringList{"11", "13", "0", "0", "0"}));
    EXPECT_EQ(changes, 0) << "opening the window is not a settings change";
}

TEST_F(SettingsWindowTest, ChoosingAnEntryStoresItsIndexAndReportsOneChange) {
    open();
    choose(c().notchRightStatPopup, 5);
    EXPECT_EQ(Prefs::storedInteger(Key::wingStat), 5);
    choose(c().notchSpritePopup, 4);
    EXPECT_EQ(Prefs::storedInteger(Key::spriteKind), 4);
    choose(c().accentPopup, 2);
    EXPECT_EQ(Prefs::storedInteger(Key::accentTheme), 2);
    choose(c().cardStylePopup, 2);
    EXPECT_EQ(Prefs::storedInteger(Key::cardBackground), 2);
    EXPECT_EQ(changes, 4);
    choose(c().notchRightStatPopup, 0);
    EXPECT_EQ(Prefs::storedInteger(Key::wingStat), 0);
    EXPECT_EQ(changes, 5);
}

TEST_F(SettingsWindowTest, RefreshingSelectsTheStoredEntriesWithoutWritingOrReporting) {
    open();
    Prefs::setInteger(Key::wingStat, 3);
    Prefs::setInteger(Key::spriteKind, 5);
    Prefs::setInteger(Key::accentTheme, 1);
    Prefs::setInteger(Key::cardBackground, 1);
    Prefs::setBoolean(Key::leaderboardOptIn, true);
    Prefs::setBoolean(Key::privateMode, true);
    window->refreshControls();
    EXPECT_EQ(c().notchRightStatPopup->currentText(), "Streak");
    EXPECT_EQ(c().notchSpritePopup->currentText(), "Anchor");
    EXPECT_EQ(c().accentPopup->currentText(), "Lime");
    EXPECT_EQ(c().cardStylePopup->currentText(), "Solid");
    EXPECT_TRUE(c().leaderboardCheckbox->isChecked());
    EXPECT_TRUE(c().privateModeCheckbox->isChecked());
    EXPECT_EQ(changes, 0);
}

TEST_F(SettingsWindowTest, OutOfRangeStoredValuesShowTheEntryThatIsActuallyUsed) {
    Prefs::setInteger(Key::wingStat, 9);        // the overlay shows the score
    Prefs::setInteger(Key::spriteKind, 99);     // clamped to the last sprite
    Prefs::setInteger(Key::accentTheme, -3);    // clamped to the first accent
    Prefs::setInteger(Key::cardBackground, 7);  // drawn as scan lines
    open();
    EXPECT_EQ(c().notchRightStatPopup->currentText(), "Tavrik Score");
    EXPECT_EQ(c().notchSpritePopup->currentText(), "Anchor");
    EXPECT_EQ(c().accentPopup->currentText(), "Cobalt");
    EXPECT_EQ(c().cardStylePopup->currentText(), "Scanlines");
    // Showing them writes nothing back.
    EXPECT_EQ(Prefs::storedInteger(Key::spriteKind), 99);
    EXPECT_EQ(Prefs::storedInteger(Key::wingStat), 9);
}

// --- steppers ---

TEST_F(SettingsWindowTest, FlarePlusFromAFreshInstallationStores13ThenStopsAt40) {
    open();
    c().stepper(Prefs::Key::notchFlare).plus->click();
    EXPECT_EQ(Prefs::storedFloat(Key::notchFlare), 13.0);
    EXPECT_EQ(c().stepper(Prefs::Key::notchFlare).value->text(), "13");
    EXPECT_EQ(changes, 1);
    for (int i = 0; i < 20; ++i) {
        c().stepper(Prefs::Key::notchFlare).plus->click();
    }
    EXPECT_EQ(Prefs::storedFloat(Key::notchFlare), 40.0);
    EXPECT_EQ(c().stepper(Prefs::Key::notchFlare).value->text(), "40");
    EXPECT_EQ(changes, 21);
}

TEST_F(SettingsWindowTest, FlareMinusFromAFreshInstallationStores9) {
    open();
    c().stepper(Prefs::Key::notchFlare).minus->click();
    EXPECT_EQ(Prefs::storedFloat(Key::notchFlare), 9.0);
    EXPECT_EQ(c().stepper(Prefs::Key::notchFlare).value->text(), "9");
}

TEST_F(SettingsWindowTest, FlareMinusFrom2Gives1ThenStays1) {
    Prefs::setFloat(Key::notchFlare, 2);
    open();
    EXPECT_EQ(c().stepper(Prefs::Key::notchFlare).value->text(), "2");
    c().stepper(Prefs::Key::notchFlare).minus->click();
    EXPECT_EQ(Prefs::storedFloat(Key::notchFlare), 1.0);
    EXPECT_EQ(c().stepper(Prefs::Key::notchFlare).value->text(), "1");
    c().stepper(Prefs::Key::notchFlare).minus->click();
    EXPECT_EQ(Prefs::storedFloat(Key::notchFlare), 1.0);
    EXPECT_EQ(c().stepper(Prefs::Key::notchFlare).value->text(), "1");
}

TEST_F(SettingsWindowTest, BottomRadiusStartsBesideItsDefaultAndStopsAt30And1) {
    open();
    c().stepper(Prefs::Key::notchRound).plus->click();
    EXPECT_EQ(Prefs::storedFloat(Key::notchRound), 15.0);
    EXPECT_EQ(c().stepper(Prefs::Key::notchRound).value->text(), "15");
    Prefs::remove(Key::notchRound);
    c().stepper(Prefs::Key::notchRound).minus->click();
    EXPECT_EQ(Prefs::storedFloat(Key::notchRound), 11.0);
    for (int i = 0; i < 20; ++i) {
        c().stepper(Prefs::Key::notchRound).plus->click();
    }
    EXPECT_EQ(c().stepper(Prefs::Key::notchRound).value->text(), "30");
    for (int i = 0; i < 20; ++i) {
        c().stepper(Prefs::Key::notchRound).minus->click();
    }
    EXPECT_EQ(c().stepper(Prefs::Key::notchRound).value->text(), "1");
}

TEST_F(SettingsWindowTest, WidthMinusThreeTimesFromZeroStoresMinus6) {
    open();
    for (int i = 0; i < 3; ++i) {
        c().stepper(Prefs::Key::notchWidthOffset).minus->click();
    }
    EXPECT_EQ(Prefs::storedInteger(Key::notchWidthOffset), -6);
    EXPECT_EQ(c().stepper(Prefs::Key::notchWidthOffset).value->text(), "-6");
    EXPECT_EQ(changes, 3);
}

TEST_F(SettingsWindowTest, OffsetsStepByTwoEachOnItsOwnKey) {
    open();
    c().stepper(Prefs::Key::notchXOffset).plus->click();
    c().stepper(Prefs::Key::notchXOffset).plus->click();
    c().stepper(Prefs::Key::notchHeightOffset).minus->click();
    c().stepper(Prefs::Key::notchWidthOffset).plus->click();
    EXPECT_EQ(Prefs::storedInteger(Key::notchXOffset), 4);
    EXPECT_EQ(Prefs::storedInteger(Key::notchHeightOffset), -2);
    EXPECT_EQ(Prefs::storedInteger(Key::notchWidthOffset), 2);
    EXPECT_EQ(shapeLabels(c()), (StringList{"11", "13", "2", "4", "-2"}));
    c().stepper(Prefs::Key::notchXOffset).minus->click();
    c().stepper(Prefs::Key::notchHeightOffset).plus->click();
    EXPECT_EQ(shapeLabels(c()), (StringList{"11", "13", "2", "2", "0"}));
}

TEST_F(SettingsWindowTest, ResetShowsTheDefaultShapeAndZeroOffsets) {
    Prefs::setFloat(Key::notchFlare, 27);
    Prefs::setFloat(Key::notchRound, 5);
    Prefs::setInteger(Key::notchWidthOffset, -6);
    Prefs::setInteger(Key::notchXOffset, 14);
    Prefs::setInteger(Key::notchHeightOffset, 8);
    open();
    EXPECT_EQ(shapeLabels(c()), (StringList{"27", "5", "-6", "14", "8"}));
    c().resetButton->click();
    EXPECT_EQ(shapeLabels(c()), (StringList{"11", "13", "0", "0", "0"}));
    EXPECT_FALSE(Prefs::isSet(Key::notchFlare));
    EXPECT_FALSE(Prefs::isSet(Key::notchRound));
    EXPECT_EQ(Prefs::storedInteger(Key::notchWidthOffset), 0);
    EXPECT_EQ(Prefs::storedInteger(Key::notchXOffset), 0);
    EXPECT_EQ(Prefs::storedInteger(Key::notchHeightOffset), 0);
    EXPECT_EQ(changes, 1);
    // The next press starts beside the default again.
    c().stepper(Prefs::Key::notchFlare).plus->click();
    EXPECT_EQ(c().stepper(Prefs::Key::notchFlare).value->text(), "13");
}

TEST_F(SettingsWindowTest, ShapeLabelsTruncateFractionalValues) {
    Prefs::setFloat(Key::notchFlare, 12.9);
    Prefs::setFloat(Key::notchRound, 0);  // 0 means not set
    open();
    EXPECT_EQ(c().stepper(Prefs::Key::notchFlare).value->text(), "12");
    EXPECT_EQ(c().stepper(Prefs::Key::notchRound).value->text(), "13");
}

// --- check boxes ---

TEST_F(SettingsWindowTest, CheckBoxesStoreTheirStateAndReportEachChange) {
    open();
    c().leaderboardCheckbox->click();
    EXPECT_EQ(Prefs::storedBoolean(Key::leaderboardOptIn), true);
    c().privateModeCheckbox->click();
    EXPECT_EQ(Prefs::storedBoolean(Key::privateMode), true);
    c().privateModeCheckbox->click();
    EXPECT_EQ(Prefs::storedBoolean(Key::privateMode), false);
    EXPECT_EQ(changes, 3);
}

TEST_F(SettingsWindowTest, ControlsWorkWithoutAChangeCallback) {
    open();
    window->setOnChange({});
    c().stepper(Prefs::Key::notchFlare).plus->click();
    c().privateModeCheckbox->click();
    EXPECT_EQ(Prefs::storedFloat(Key::notchFlare), 13.0);
    EXPECT_EQ(changes, 0);
}

TEST_F(SettingsWindowTest, ReopeningReloadsValuesChangedElsewhere) {
    open();
    Prefs::setInteger(Key::wingStat, 6);  // the overlay's cycle button
    Prefs::setInteger(Key::notchXOffset, 10);
    window->present();
    EXPECT_EQ(c().notchRightStatPopup->currentText(), "Sessions");
    EXPECT_EQ(c().stepper(Prefs::Key::notchXOffset).value->text(), "10");
    EXPECT_TRUE(window->window()->isVisible());
    window->window()->close();
    EXPECT_FALSE(window->window()->isVisible());
    window->present();  // the same window again
    EXPECT_TRUE(window->window()->isVisible());
}

}  // namespace
}  // namespace tavrik::test
