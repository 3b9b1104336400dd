// The appearance, shape and privacy controls: each writes its preference and calls the change
// callback once; the pop-ups, labels and check boxes show what the overlay and the card use.

#include "engine/Environment.h"
#include "prefs/Prefs.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tests/support/IsolatedSettings.h"
#include "theme/Theme.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tavrik::test {
namespace {

IsolatedSettings isolated;

using Prefs::Key;
using Controls = SettingsWindowController::Controls;

// Picks an entry the way the pop-up's list does when the user clicks it.
void choose(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    Q_EMIT box->activated(index);
}

std::vector<std::string> shapeLabels(const Controls& c) {
    std::vector<std::string> out;
    for (const auto& stepper : c.steppers) {
        out.push_back(stepper.value->text().toStdString());
    }
    return out;
}

TEST_F(SettingsWindowTest, PopUpsStoreTheChosenIndexAndShowTheEntryInUse) {
    const struct {
        QComboBox* Controls::*popUp;
        Key key;
        int count;
        std::vector<std::pair<std::optional<int>, int>> shown;  // stored (or absent) -> shown
    } popUps[] = {
        {&Controls::notchRightStatPopup, Key::wingStat, 7, {{{}, 1}, {6, 6}, {7, 0}, {-1, 0}}},
        {&Controls::notchSpritePopup, Key::spriteKind, 6, {{{}, 0}, {5, 5}, {6, 5}, {-3, 0}}},
        {&Controls::accentPopup, Key::accentTheme, 6, {{{}, 0}, {6, 5}, {99, 5}, {-3, 0}}},
        {&Controls::cardStylePopup, Key::cardBackground, 3, {{{}, 0}, {2, 2}, {3, 0}, {7, 0}}},
    };
    open();
    for (const auto& p : popUps) {
        QComboBox* box = c().*p.popUp;
        SCOPED_TRACE(Prefs::info(p.key).name);
        EXPECT_EQ(box->count(), p.count);
        for (const auto& [stored, shown] : p.shown) {
            clearPreferences();
            if (stored) {
                Prefs::setInteger(p.key, *stored);
            }
            window->refreshControls();
            EXPECT_EQ(box->currentIndex(), shown) << stored.value_or(-99);
            EXPECT_EQ(Prefs::storedInteger(p.key), stored) << "showing writes nothing back";
        }
        const int before = changes;
        choose(box, p.count - 1);
        EXPECT_EQ(Prefs::storedInteger(p.key), p.count - 1);
        EXPECT_EQ(changes, before + 1);
    }
}

TEST_F(SettingsWindowTest, SteppersStepTheirOwnKeyAndShowWholeValues) {
    open();
    EXPECT_EQ(shapeLabels(c()), (std::vector<std::string>{"11", "13", "0", "0", "0"}));
    const struct {
        Key key;
        bool up;
        int presses;
        std::string label;
    } cases[] = {
        {Key::notchFlare, true, 1, "13"},        {Key::notchFlare, true, 20, "40"},
        {Key::notchFlare, false, 1, "9"},        {Key::notchRound, false, 20, "1"},
        {Key::notchWidthOffset, false, 3, "-6"}, {Key::notchXOffset, true, 2, "4"},
        {Key::notchHeightOffset, true, 1, "2"},
    };
    for (const auto& s : cases) {
        clearPreferences();
        window->refreshShapeLabels();
        const int before = changes;
        const auto& stepper = c().stepper(s.key);
        for (int i = 0; i < s.presses; ++i) {
            (s.up ? stepper.plus : stepper.minus)->click();
        }
        EXPECT_EQ(stepper.value->text().toStdString(), s.label) << Prefs::info(s.key).name;
        EXPECT_EQ(changes, before + s.presses);
        for (const auto& other : c().steppers) {
            EXPECT_EQ(Prefs::isSet(other.key), other.key == s.key) << Prefs::info(other.key).name;
        }
    }
    clearPreferences();
    Prefs::setFloat(Key::notchFlare, 12.9);
    Prefs::setInteger(Key::notchXOffset, 14);
    window->refreshShapeLabels();
    EXPECT_EQ(shapeLabels(c()), (std::vector<std::string>{"12", "13", "0", "14", "0"}));
    const int before = changes;
    c().resetButton->click();
    EXPECT_EQ(shapeLabels(c()), (std::vector<std::string>{"11", "13", "0", "0", "0"}));
    EXPECT_FALSE(Prefs::isSet(Key::notchFlare));
    EXPECT_EQ(changes, before + 1);
}

TEST_F(SettingsWindowTest, CheckBoxesStoreTheirStateWithOrWithoutACallback) {
    Prefs::setBoolean(Key::privateMode, true);
    open();
    EXPECT_FALSE(c().leaderboardCheckbox->isChecked());
    EXPECT_TRUE(c().privateModeCheckbox->isChecked());
    c().leaderboardCheckbox->click();
    c().privateModeCheckbox->click();
    EXPECT_EQ(Prefs::storedBoolean(Key::leaderboardOptIn), true);
    EXPECT_EQ(Prefs::storedBoolean(Key::privateMode), false);
    EXPECT_EQ(changes, 2);
    window->setOnChange({});
    c().privateModeCheckbox->click();
    EXPECT_EQ(Prefs::storedBoolean(Key::privateMode), true);
}

TEST_F(SettingsWindowTest, TheKeptHistoryIsCountedAndForgottenOnlyAfterAYes) {
    const auto dir = Environment::historyDir();
    std::filesystem::create_directories(dir);
    std::string sessions;
    for (const auto& [path, days] :
         {std::pair{"/gone/a.jsonl", std::set<std::string>{"2025-01-10", "2025-01-11"}},
          std::pair{"/gone/b.jsonl", std::set<std::string>{"2025-01-11", "2025-01-12"}}}) {
        FileContribution kept;
        kept.activeDays = days;
        sessions += std::string(sessions.empty() ? "" : ",") + "\"" + path
                    + "\":{\"mtime\":1,\"size\":100,\"contribution\":" + *toJson(kept) + "}";
    }
    std::ofstream(dir / "history.json") << R"({"version":1,"sessions":{)" << sessions << "}}";
    Prefs::setBoolean(Key::keepHistory, true);
    open();
    EXPECT_TRUE(c().keepHistoryCheckbox->isChecked());
    EXPECT_EQ(c().keptHistoryLabel->text(), "Kept: 2 sessions over 3 days");
    QString asked;
    for (const bool yes : {false, true}) {
        window->setConfirm([&](const QString& question) {
            asked = question;
            return yes;
        });
        c().forgetHistoryButton->click();
        EXPECT_TRUE(asked.contains(QStringLiteral(" 2 deleted logs"))) << asked.toStdString();
        EXPECT_EQ(std::filesystem::exists(dir / "history.json"), !yes);
        EXPECT_EQ(changes, yes ? 1 : 0);
    }
    EXPECT_EQ(c().keptHistoryLabel->text(), "No deleted logs kept");
    EXPECT_FALSE(c().forgetHistoryButton->isEnabled());
    c().keepHistoryCheckbox->click();
    EXPECT_EQ(Prefs::storedBoolean(Key::keepHistory), false);
}

// No two controls overlap, and the column scrolls in a dark window (the desktop's own style
// would draw light controls).
TEST_F(SettingsWindowTest, TheColumnIsDarkScrollsAndNoControlsOverlap) {
    open();
    const QWidget* content = window->contentView();
    const auto frame = [&](const QWidget* w) {
        return QRect(w->mapTo(content, QPoint()), w->size());
    };
    // Rows shown in turn (signed in or out) share their place; only the shown ones count.
    auto controls = content->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    controls.removeIf([](const QWidget* w) { return w->isHidden(); });
    for (const QWidget* a : controls) {
        EXPECT_TRUE(content->rect().contains(a->geometry())) << a->metaObject()->className();
        for (const QWidget* b : controls) {
            EXPECT_TRUE(a == b || !a->geometry().intersects(b->geometry()))
                << a->metaObject()->className() << " over " << b->metaObject()->className();
        }
    }
    EXPECT_GT(content->height(), SettingsWindowController::maxVisibleHeight);
    window->window()->show();
    drainEvents();
    EXPECT_GT(window->scrollArea()->verticalScrollBar()->maximum(), 0);
    const QImage shot = window->window()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(4, 4), Theme::bg);
    const QPoint popUp = frame(c().notchRightStatPopup).center();
    EXPECT_LT(shot.pixelColor(popUp).lightness(), 100) << "a light pop-up";
    window->window()->hide();
}

}  // namespace
}  // namespace tavrik::test
