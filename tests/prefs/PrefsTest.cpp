#include "prefs/Prefs.h"
#include "tests/support/IsolatedSettings.h"

#include <QFile>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>

namespace {

using namespace tavrik;
using Prefs::Key;

tavrik::test::IsolatedSettings isolated;

QSettings rawStore() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Tavrik", "Tavrik");
}

// Reads a numeric or boolean key through the accessor of its type, defaults applied.
double read(Key key) {
    const Prefs::Type type = Prefs::info(key).type;
    return type == Prefs::Type::Float     ? Prefs::real(key)
           : type == Prefs::Type::Boolean ? double(Prefs::boolean(key))
                                          : double(Prefs::integer(key));
}

void clear() {
    QSettings s = rawStore();
    s.clear();
    s.sync();
}

// Stores a value behind the register's back, the way a hand edit or an older version would.
void storeRaw(Key key, const QVariant& value) {
    QSettings s = rawStore();
    s.setValue(QString::fromLatin1(Prefs::info(key).name.data()), value);
    s.sync();
}

class PrefsTest : public ::testing::Test {
protected:
    void SetUp() override { clear(); }
};

TEST_F(PrefsTest, RegisterNamesEveryKeyOnce) {
    for (const Prefs::KeyInfo& row : Prefs::all()) {
        EXPECT_EQ(row.name.substr(0, 7), "tavrik.") << row.name;
        EXPECT_EQ(Prefs::keyNamed(row.name), row.key) << row.name;
    }
    EXPECT_EQ(Prefs::keyNamed("tavrik.nothing"), std::nullopt);
}

TEST_F(PrefsTest, AbsentWrongTypedAndUnsetValuesReadAsTheDefault) {
    const struct {
        Key key;
        std::optional<QVariant> stored;  // nothing: absent
        double expected;
    } cases[] = {
        {Key::notchFlare, {}, 11},
        {Key::notchFlare, 0.0, 11},  // 0 means "not set"
        {Key::notchFlare, QString("abc"), 11},
        {Key::notchFlare, QString("17.5"), 17.5},
        {Key::notchRound, {}, 13},
        {Key::notchRound, QString("0"), 13},
        {Key::notchRound, QString("nan"), 13},
        {Key::notchRound, QString("inf"), 13},
        {Key::notchXOffset, QString("-4"), -4},
        {Key::streakProtection, {}, 1},  // by presence
        {Key::streakProtection, false, 0},
        {Key::streakProtection, QString("FALSE"), 0},
        {Key::streakProtection, QString("maybe"), 1},
        {Key::notchHidden, {}, 0},
        {Key::notchHidden, QString("1"), 0},
        {Key::notchHidden, QString("true"), 1},
        {Key::wingStat, {}, 1},  // by presence: a stored 0 is a value
        {Key::wingStat, 0, 0},
        {Key::wingStat, 12, 12},  // not clamped here
        {Key::wingStat, QString("two"), 1},
        {Key::accentTheme, QString("3.5"), 0},
        {Key::msLines, true, 0},
    };
    for (const auto& c : cases) {
        clear();
        if (c.stored) {
            storeRaw(c.key, *c.stored);
        }
        EXPECT_EQ(read(c.key), c.expected) << Prefs::info(c.key).name << " = "
                                           << c.stored.value_or("absent").toString().toStdString();
    }
    storeRaw(Key::lastSyncDate, QStringList{"2024-01-01", "2024-01-02"});
    EXPECT_EQ(Prefs::text(Key::lastSyncDate), std::nullopt) << "a list is not a string";
}

TEST_F(PrefsTest, ButtonsStepWithinTheRegisterLimits) {
    const struct {
        Key key;
        std::optional<double> stored;  // nothing: absent
        bool up;
        double expected;
    } cases[] = {
        {Key::notchFlare, {}, true, 13},      {Key::notchFlare, {}, false, 9},
        {Key::notchFlare, 20, true, 22},      {Key::notchFlare, 39, true, 40},
        {Key::notchFlare, 1, false, 1},       {Key::notchRound, {}, true, 15},
        {Key::notchRound, {}, false, 11},     {Key::notchRound, 29, true, 30},
        {Key::notchRound, 2, false, 1},       {Key::notchWidthOffset, {}, true, 2},
        {Key::notchXOffset, -58, false, -60}, {Key::msLines, 10, true, 10},  // no buttons
    };
    for (const auto& c : cases) {
        clear();
        if (c.stored && Prefs::info(c.key).type == Prefs::Type::Float) {
            Prefs::setFloat(c.key, *c.stored);
        } else if (c.stored) {
            Prefs::setInteger(c.key, static_cast<std::int64_t>(*c.stored));
        }
        const double stored = c.up ? Prefs::stepUp(c.key) : Prefs::stepDown(c.key);
        EXPECT_EQ(stored, c.expected) << Prefs::info(c.key).name << (c.up ? " +" : " -");
        EXPECT_EQ(read(c.key), c.expected) << Prefs::info(c.key).name;
    }
    // A hand-edited extreme saturates instead of overflowing.
    constexpr auto largest = std::numeric_limits<std::int64_t>::max();
    Prefs::setInteger(Key::notchHeightOffset, largest);
    Prefs::stepUp(Key::notchHeightOffset);
    EXPECT_EQ(Prefs::integer(Key::notchHeightOffset), largest);
}

TEST_F(PrefsTest, CyclingTheWingStatWrapsAndIsNeverNegative) {
    EXPECT_EQ(Prefs::cycleWingStat(), 2);  // from the default 1
    for (const auto& [stored, next] : {std::pair{6, 0}, {-3, 5}, {-7, 1}}) {
        Prefs::setInteger(Key::wingStat, stored);
        EXPECT_EQ(Prefs::cycleWingStat(), next) << stored;
        EXPECT_EQ(Prefs::wingStat(), next);
    }
}

TEST_F(PrefsTest, WritesOfTheWrongTypeOrNotFiniteAreRefused) {
    EXPECT_FALSE(Prefs::setBoolean(Key::notchFlare, true));
    EXPECT_FALSE(Prefs::setInteger(Key::lastSyncDate, 3));
    EXPECT_FALSE(Prefs::setString(Key::msLines, "3"));
    EXPECT_FALSE(Prefs::setFloat(Key::wingStat, 2));
    EXPECT_FALSE(Prefs::setFloat(Key::notchRound, std::numeric_limits<double>::quiet_NaN()));
    for (const Key key :
         {Key::notchFlare, Key::lastSyncDate, Key::msLines, Key::wingStat, Key::notchRound}) {
        EXPECT_FALSE(Prefs::isSet(key)) << Prefs::info(key).name;
    }
}

TEST_F(PrefsTest, ValuesAreWrittenAsTextToTheTavrikFile) {
    ASSERT_TRUE(Prefs::setFloat(Key::notchFlare, 23.5));
    ASSERT_TRUE(Prefs::setBoolean(Key::privateMode, true));
    ASSERT_TRUE(Prefs::setInteger(Key::msStreak, 9'000'000'000));
    ASSERT_TRUE(Prefs::setString(Key::lastSyncDate, "2024-03-09"));
    QFile file(QString::fromStdString(isolated.settingsFile().string()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    for (const char* line : {"tavrik.notchFlare=23.5", "tavrik.privateMode=true",
                             "tavrik.msStreak=9000000000", "tavrik.lastSyncDate=2024-03-09"}) {
        EXPECT_TRUE(text.contains(line)) << line << " in " << text.toStdString();
    }
}

}  // namespace
