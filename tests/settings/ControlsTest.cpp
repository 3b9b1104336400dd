// The appearance, shape and privacy controls: each writes its preference and calls the change
// callback once; the pop-ups, labels and check boxes show what the overlay and the card use.

#include "engine/Environment.h"
#include "prefs/Prefs.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tests/support/TempDir.h"

#include <QCheckBox>
#include <QComboBox>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace tavrik::test {
namespace {

IsolatedSettings isolated;

using Prefs::Key;
using Controls = SettingsWindowController::Controls;

// The kept history is forgotten only after a yes; the check boxes, pop-ups and steppers each
// store their own preference and call the change callback once per change.
TEST_F(SettingsWindowTest, ControlsStoreTheirPreferenceAndShowWhatIsInUse) {
    const auto dir = Environment::historyDir();
    std::filesystem::create_directories(dir);
    FileContribution kept;
    kept.activeDays = {"2025-01-10", "2025-01-11"};
    const std::string entry = R"({"mtime":1,"size":100,"contribution":)" + *toJson(kept) + "}";
    std::ofstream(dir / "history.json") << R"({"version":1,"sessions":{"/gone/a.jsonl":)" << entry
                                        << R"(,"/gone/b.jsonl":)" << entry << "}}";
    Prefs::setBoolean(Key::privateMode, true);
    open();
    EXPECT_EQ(c().keptHistoryLabel->text(), "Kept: 2 sessions over 2 days");
    for (const bool yes : {false, true}) {
        window->setConfirm([yes](const QString&) { return yes; });
        c().forgetHistoryButton->click();
        EXPECT_EQ(std::filesystem::exists(dir / "history.json"), !yes);
        EXPECT_EQ(c().forgetHistoryButton->isEnabled(), !yes);
        EXPECT_EQ(changes, yes ? 1 : 0);
    }
    for (QCheckBox* box :
         {c().leaderboardCheckbox, c().privateModeCheckbox, c().keepHistoryCheckbox}) {
        box->click();
    }
    EXPECT_EQ(Prefs::storedBoolean(Key::leaderboardOptIn), true);
    EXPECT_EQ(Prefs::storedBoolean(Key::privateMode), false);
    EXPECT_EQ(Prefs::storedBoolean(Key::keepHistory), true);
    EXPECT_EQ(changes, 1 + 3);

    // Stored values (none, the last entry, one past it, below zero) and the entry shown.
    using Shown = std::vector<std::pair<std::optional<int>, int>>;
    const std::tuple<QComboBox * Controls::*, Key, int, Shown> popUps[] = {
        {&Controls::notchRightStatPopup, Key::wingStat, 7, {{{}, 1}, {6, 6}, {7, 0}, {-1, 0}}},
        {&Controls::notchSpritePopup, Key::spriteKind, 6, {{{}, 0}, {5, 5}, {6, 5}, {-3, 0}}},
        {&Controls::accentPopup, Key::accentTheme, 6, {{{}, 0}, {5, 5}, {6, 5}, {-3, 0}}},
        {&Controls::cardStylePopup, Key::cardBackground, 3, {{{}, 0}, {2, 2}, {3, 0}, {-1, 0}}},
    };
    for (const auto& [popUp, key, count, shownFor] : popUps) {
        QComboBox* box = c().*popUp;
        for (const auto& [stored, shown] : shownFor) {
            clearPreferences();
            if (stored) {
                Prefs::setInteger(key, *stored);
            }
            window->refreshControls();
            EXPECT_EQ(box->currentIndex(), shown) << Prefs::info(key).name;
        }
        const int before = changes;
        box->setCurrentIndex(count - 1);
        Q_EMIT box->activated(count - 1);  // as when the user picks it from the list
        EXPECT_EQ(Prefs::storedInteger(key), count - 1);
        EXPECT_EQ(changes, before + 1);
    }

    const auto labels = [this] {
        std::string out;
        for (const auto& stepper : c().steppers) {
            out += stepper.value->text().toStdString() + " ";
        }
        return out;
    };
    // Key, presses (negative: on −), the labels after them; the first press starts from the
    // default, and the flare stops at its top.
    const std::tuple<Key, int, std::string> cases[] = {
        {Key::notchFlare, 20, "40 13 0 0 0 "},        {Key::notchRound, -1, "11 11 0 0 0 "},
        {Key::notchWidthOffset, -3, "11 13 -6 0 0 "}, {Key::notchXOffset, 2, "11 13 0 4 0 "},
        {Key::notchHeightOffset, 1, "11 13 0 0 2 "},
    };
    for (const auto& [key, presses, after] : cases) {
        clearPreferences();
        window->refreshShapeLabels();
        const int before = changes;
        for (int i = 0; i < std::abs(presses); ++i) {
            (presses > 0 ? c().stepper(key).plus : c().stepper(key).minus)->click();
        }
        EXPECT_EQ(labels(), after) << Prefs::info(key).name;
        EXPECT_EQ(changes, before + std::abs(presses));
    }
    Prefs::setFloat(Key::notchFlare, 12.9);
    window->refreshShapeLabels();
    EXPECT_EQ(labels(), "12 13 0 0 2 ");
    const int before = changes;
    c().resetButton->click();
    EXPECT_EQ(labels(), "11 13 0 0 0 ");
    EXPECT_FALSE(Prefs::isSet(Key::notchFlare));
    EXPECT_EQ(changes, before + 1);
}

}  // namespace
}  // namespace tavrik::test
