#include "prefs/Prefs.h"
#include "tests/support/TempDir.h"

#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

#include <limits>
#include <optional>

namespace {

using namespace tavrik;
using Prefs::Key;

tavrik::test::IsolatedSettings isolated;

// Empties the store, then stores a value behind the register's back, the way a hand edit or an
// older version would; nothing leaves the key absent.
void storeRaw(std::optional<Key> key = {}, const std::optional<QVariant>& value = {}) {
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Tavrik", "Tavrik");
    s.clear();
    if (key && value) {
        s.setValue(QString::fromLatin1(Prefs::info(*key).name.data()), *value);
    }
    s.sync();
}

// Reads a numeric or boolean key through the accessor of its type, defaults applied.
double read(Key key) {
    const Prefs::Type type = Prefs::info(key).type;
    return type == Prefs::Type::Float     ? Prefs::real(key)
           : type == Prefs::Type::Boolean ? double(Prefs::boolean(key))
                                          : double(Prefs::integer(key));
}

TEST(Prefs, AbsentWrongTypedAndUnsetValuesReadAsTheDefault) {
    for (const Prefs::KeyInfo& row : Prefs::all()) {
        EXPECT_EQ(Prefs::keyNamed(row.name), row.key) << row.name;
    }
    EXPECT_EQ(Prefs::keyNamed("tavrik.nothing"), std::nullopt);
    // Flare and radius: 0 means "not set"; booleans and the wing statistic go by presence (a
    // stored 0 is a value, and not clamped here).
    const struct {
        Key key;
        const char* stored;  // null: absent
        double expected;
    } cases[] = {{Key::notchFlare, nullptr, 11},      {Key::notchFlare, "0", 11},
                 {Key::notchFlare, "17.5", 17.5},     {Key::notchRound, "nan", 13},
                 {Key::streakProtection, "FALSE", 0}, {Key::streakProtection, "maybe", 1},
                 {Key::notchHidden, "1", 0},          {Key::wingStat, "0", 0},
                 {Key::wingStat, "two", 1},           {Key::accentTheme, "3.5", 0}};
    for (const auto& c : cases) {
        storeRaw(c.key, c.stored ? std::optional<QVariant>(c.stored) : std::nullopt);
        EXPECT_EQ(read(c.key), c.expected)
            << Prefs::info(c.key).name << " = " << (c.stored ? c.stored : "absent");
    }
    storeRaw(Key::wingStat, QVariant::fromValue<qulonglong>(1ULL << 63));
    EXPECT_EQ(Prefs::wingStat(), 1) << "beyond the 64-bit range";
    // A stored index picks from a list; out of its range, the nearest end.
    for (const auto& [stored, at] : {std::pair{-1, 0}, {6, 5}}) {
        Prefs::setInteger(Key::accentTheme, stored);
        EXPECT_EQ(Prefs::index(Key::accentTheme, 6), at) << stored;
    }
    storeRaw(Key::lastSyncDate, QStringList{"2024-01-01", "2024-01-02"});
    EXPECT_EQ(Prefs::text(Key::lastSyncDate), std::nullopt) << "a list is not a string";
}

TEST(Prefs, ButtonsStepWithinTheRegisterLimitsAndTheWingStatCycles) {
    using enum Key;
    // msLines has no buttons: a step leaves it as it is.
    const struct {
        Key key;
        const char* stored;  // null: absent
        bool up;
        double expected;
    } cases[] = {{notchFlare, nullptr, true, 13},      {notchFlare, nullptr, false, 9},
                 {notchFlare, "39", true, 40},         {notchFlare, "1", false, 1},
                 {notchRound, nullptr, true, 15},      {notchRound, "29", true, 30},
                 {notchWidthOffset, nullptr, true, 2}, {notchXOffset, "-58", false, -60},
                 {notchRound, "2", false, 1},          {msLines, "10", true, 10}};
    for (const auto& c : cases) {
        storeRaw(c.key, c.stored ? std::optional<QVariant>(c.stored) : std::nullopt);
        const double stored = c.up ? Prefs::stepUp(c.key) : Prefs::stepDown(c.key);
        EXPECT_EQ(stored, c.expected) << Prefs::info(c.key).name << (c.up ? " +" : " -");
    }
    // A hand-edited extreme saturates instead of overflowing.
    constexpr auto largest = std::numeric_limits<std::int64_t>::max();
    Prefs::setInteger(Key::notchHeightOffset, largest);
    EXPECT_EQ(Prefs::stepUp(Key::notchHeightOffset), double(largest));

    storeRaw();
    EXPECT_EQ(Prefs::cycleWingStat(), 2);  // from the default 1
    for (const auto& [stored, next] : {std::pair{6, 0}, {-3, 5}, {-7, 1}}) {
        Prefs::setInteger(Key::wingStat, stored);
        EXPECT_EQ(Prefs::cycleWingStat(), next) << stored;
        EXPECT_EQ(Prefs::wingStat(), next);
    }
}

// Values of the wrong type or not finite are refused; the others are written as text.
TEST(Prefs, WritesAreTypedAndLandInTheTavrikFileAsText) {
    storeRaw();
    EXPECT_FALSE(Prefs::setBoolean(Key::notchFlare, true));
    EXPECT_FALSE(Prefs::setString(Key::msLines, "3"));
    EXPECT_FALSE(Prefs::setFloat(Key::notchRound, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(Prefs::isSet(Key::notchFlare) || Prefs::isSet(Key::notchRound));
    ASSERT_TRUE(Prefs::setFloat(Key::notchFlare, 23.5) && Prefs::setBoolean(Key::privateMode, true)
                && Prefs::setInteger(Key::msStreak, 9'000'000'000)
                && Prefs::setString(Key::lastSyncDate, "2024-03-09"));
    QFile file(QString::fromStdString(isolated.settingsFile().string()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    for (const char* line : {"tavrik.notchFlare=23.5", "tavrik.privateMode=true",
                             "tavrik.msStreak=9000000000", "tavrik.lastSyncDate=2024-03-09"}) {
        EXPECT_TRUE(text.contains(line)) << line << " in " << text.toStdString();
    }
}

}  // namespace
