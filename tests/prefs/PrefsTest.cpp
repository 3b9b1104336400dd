#include "prefs/Prefs.h"
#include "tests/support/IsolatedSettings.h"

#include <QDateTime>
#include <QFile>
#include <QSettings>
#include <QString>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <string>

namespace {

using namespace tavrik;
using Prefs::Key;

tavrik::test::IsolatedSettings isolated;

QSettings rawStore() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Tavrik", "Tavrik");
}

// Stores a value behind the register's back, the way a hand edit or an older version would.
void storeRaw(const char* name, const QVariant& value) {
    QSettings s = rawStore();
    s.setValue(name, value);
    s.sync();
}

class PrefsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings s = rawStore();
        s.clear();
        s.sync();
    }
};

TEST_F(PrefsTest, StoreIsTheTavrikFileUnderTheConfigFolder) {
    ASSERT_TRUE(Prefs::setInteger(Key::msLines, 5));
    EXPECT_EQ(std::filesystem::path(rawStore().fileName().toStdString()), isolated.settingsFile());
    EXPECT_TRUE(std::filesystem::exists(isolated.settingsFile()));
}

// --- The register ---------------------------------------------------------------------------

TEST_F(PrefsTest, RegisterHasOneRowPerKeyWithTavrikNames) {
    std::set<std::string_view> names;
    for (const Prefs::KeyInfo& row : Prefs::all()) {
        EXPECT_EQ(row.name.substr(0, 7), "tavrik.") << row.name;
        EXPECT_EQ(&Prefs::info(row.key), &row);
        EXPECT_EQ(Prefs::keyNamed(row.name), row.key);
        names.insert(row.name);
    }
    EXPECT_EQ(names.size(), Prefs::all().size());  // no name twice
    EXPECT_EQ(Prefs::keyNamed("tavrik.nothing"), std::nullopt);
}

TEST_F(PrefsTest, TypesFollowTheRegister) {
    EXPECT_EQ(Prefs::info(Key::notchFlare).type, Prefs::Type::Float);
    EXPECT_EQ(Prefs::info(Key::notchRound).type, Prefs::Type::Float);
    EXPECT_EQ(Prefs::info(Key::notchXOffset).type, Prefs::Type::Integer);
    EXPECT_EQ(Prefs::info(Key::notchHidden).type, Prefs::Type::Boolean);
    EXPECT_EQ(Prefs::info(Key::lastSyncDate).type, Prefs::Type::String);
    EXPECT_EQ(Prefs::info(Key::msStreak).type, Prefs::Type::Integer);
}

// --- Defaults of a fresh installation -------------------------------------------------------

TEST_F(PrefsTest, FreshInstallationReadsTheDefaults) {
    EXPECT_EQ(Prefs::real(Key::notchFlare), 11);
    EXPECT_EQ(Prefs::real(Key::notchRound), 13);
    EXPECT_EQ(Prefs::integer(Key::notchWidthOffset), 0);
    EXPECT_EQ(Prefs::integer(Key::notchHeightOffset), 0);
    EXPECT_EQ(Prefs::integer(Key::notchXOffset), 0);
    EXPECT_FALSE(Prefs::boolean(Key::notchHidden));
    EXPECT_TRUE(Prefs::streakProtection());
    EXPECT_EQ(Prefs::wingStat(), 1);
    EXPECT_EQ(Prefs::wingStatLabels[static_cast<std::size_t>(Prefs::wingStat())], "Lines today");
    EXPECT_EQ(Prefs::integer(Key::spriteKind), 0);
    EXPECT_EQ(Prefs::integer(Key::accentTheme), 0);
    EXPECT_FALSE(Prefs::boolean(Key::leaderboardOptIn));
    EXPECT_FALSE(Prefs::boolean(Key::privateMode));
    EXPECT_EQ(Prefs::text(Key::lastSyncDate), std::nullopt);
    EXPECT_EQ(Prefs::integer(Key::msLines), 0);
    EXPECT_EQ(Prefs::integer(Key::msStreak), 0);
}

TEST_F(PrefsTest, ZeroFlareAndRoundMeanNotSet) {
    ASSERT_TRUE(Prefs::setFloat(Key::notchFlare, 0));
    ASSERT_TRUE(Prefs::setFloat(Key::notchRound, 0));
    EXPECT_EQ(Prefs::real(Key::notchFlare), 11);
    EXPECT_EQ(Prefs::real(Key::notchRound), 13);
    ASSERT_TRUE(Prefs::setFloat(Key::notchFlare, 17.5));
    EXPECT_EQ(Prefs::real(Key::notchFlare), 17.5);
}

TEST_F(PrefsTest, WingLabelsAreInPopUpOrder) {
    EXPECT_EQ(Prefs::wingStatLabels[0], "Tavrik Score");
    EXPECT_EQ(Prefs::wingStatLabels[2], "$ today");
    EXPECT_EQ(Prefs::wingStatLabels[5], "Total $");
    EXPECT_EQ(Prefs::wingStatLabels[6], "Sessions");
}

// --- Keys read by presence ------------------------------------------------------------------

TEST_F(PrefsTest, StreakProtectionOffUntilTheKeyIsRemoved) {
    ASSERT_TRUE(Prefs::setBoolean(Key::streakProtection, false));
    EXPECT_FALSE(Prefs::streakProtection());
    ASSERT_TRUE(Prefs::remove(Key::streakProtection));
    EXPECT_TRUE(Prefs::streakProtection());
}

TEST_F(PrefsTest, WingStatIsNotClampedAndZeroIsAValue) {
    ASSERT_TRUE(Prefs::setInteger(Key::wingStat, 0));
    EXPECT_EQ(Prefs::wingStat(), 0);
    ASSERT_TRUE(Prefs::setInteger(Key::wingStat, 12));
    EXPECT_EQ(Prefs::wingStat(), 12);
}

TEST_F(PrefsTest, CyclingTheWingStatWrapsAfterSix) {
    EXPECT_EQ(Prefs::cycleWingStat(), 2);  // from the default 1
    ASSERT_TRUE(Prefs::setInteger(Key::wingStat, 6));
    EXPECT_EQ(Prefs::cycleWingStat(), 0);
    EXPECT_EQ(Prefs::wingStat(), 0);
    ASSERT_TRUE(Prefs::setInteger(Key::wingStat, -3));
    EXPECT_EQ(Prefs::cycleWingStat(), 5);  // never a negative index
}

// --- Clamped indexes ------------------------------------------------------------------------

TEST_F(PrefsTest, IndexIsClampedToTheList) {
    ASSERT_TRUE(Prefs::setInteger(Key::accentTheme, 99));
    EXPECT_EQ(Prefs::index(Key::accentTheme, 6), 5u);
    ASSERT_TRUE(Prefs::setInteger(Key::accentTheme, -3));
    EXPECT_EQ(Prefs::index(Key::accentTheme, 6), 0u);
    ASSERT_TRUE(Prefs::setInteger(Key::spriteKind, 3));
    EXPECT_EQ(Prefs::index(Key::spriteKind, 6), 3u);
    EXPECT_EQ(Prefs::index(Key::spriteKind, 0), 0u);
}

// --- Buttons --------------------------------------------------------------------------------

TEST_F(PrefsTest, FlarePlusStartsAtThirteenAndStopsAtForty) {
    EXPECT_EQ(Prefs::stepUp(Key::notchFlare), 13);
    EXPECT_EQ(Prefs::storedFloat(Key::notchFlare), 13);
    double last = 0;
    for (int i = 0; i < 20; ++i) {
        last = Prefs::stepUp(Key::notchFlare);
    }
    EXPECT_EQ(last, 40);
    EXPECT_EQ(Prefs::real(Key::notchFlare), 40);
}

TEST_F(PrefsTest, FlareMinusStartsAtNineAndStopsAtOne) {
    EXPECT_EQ(Prefs::stepDown(Key::notchFlare), 9);
    for (int i = 0; i < 10; ++i) {
        Prefs::stepDown(Key::notchFlare);
    }
    EXPECT_EQ(Prefs::real(Key::notchFlare), 1);
}

TEST_F(PrefsTest, RoundButtonsUseTheirOwnLimits) {
    EXPECT_EQ(Prefs::stepUp(Key::notchRound), 15);
    for (int i = 0; i < 20; ++i) {
        Prefs::stepUp(Key::notchRound);
    }
    EXPECT_EQ(Prefs::real(Key::notchRound), 30);
    ASSERT_TRUE(Prefs::remove(Key::notchRound));
    EXPECT_EQ(Prefs::stepDown(Key::notchRound), 11);
}

TEST_F(PrefsTest, FlareStepsFromAStoredValue) {
    ASSERT_TRUE(Prefs::setFloat(Key::notchFlare, 20));
    EXPECT_EQ(Prefs::stepUp(Key::notchFlare), 22);
    EXPECT_EQ(Prefs::stepDown(Key::notchFlare), 20);
    ASSERT_TRUE(Prefs::setFloat(Key::notchFlare, 2));
    EXPECT_EQ(Prefs::stepDown(Key::notchFlare), 1);
    ASSERT_TRUE(Prefs::setFloat(Key::notchFlare, 39));
    EXPECT_EQ(Prefs::stepUp(Key::notchFlare), 40);
}

TEST_F(PrefsTest, OffsetsStepByTwoWithoutLimit) {
    for (int i = 0; i < 30; ++i) {
        Prefs::stepDown(Key::notchXOffset);
    }
    EXPECT_EQ(Prefs::integer(Key::notchXOffset), -60);
    EXPECT_EQ(Prefs::stepUp(Key::notchWidthOffset), 2);
    EXPECT_EQ(Prefs::stepUp(Key::notchHeightOffset), 2);
}

TEST_F(PrefsTest, KeysWithoutButtonsAreLeftAlone) {
    ASSERT_TRUE(Prefs::setInteger(Key::msLines, 10));
    EXPECT_EQ(Prefs::stepUp(Key::msLines), 10);
    EXPECT_EQ(Prefs::integer(Key::msLines), 10);
}

TEST_F(PrefsTest, ResettingTheAlignmentWritesZeros) {
    ASSERT_TRUE(Prefs::setInteger(Key::notchWidthOffset, 4));
    ASSERT_TRUE(Prefs::setInteger(Key::notchHeightOffset, -6));
    ASSERT_TRUE(Prefs::setInteger(Key::notchXOffset, 8));
    ASSERT_TRUE(Prefs::setFloat(Key::notchFlare, 21));
    Prefs::resetNotchAlignment();
    EXPECT_EQ(Prefs::storedInteger(Key::notchWidthOffset), 0);
    EXPECT_EQ(Prefs::storedInteger(Key::notchHeightOffset), 0);
    EXPECT_EQ(Prefs::storedInteger(Key::notchXOffset), 0);
    EXPECT_EQ(Prefs::real(Key::notchFlare), 21);  // the shape is not part of the alignment
}

// --- Wrong types ----------------------------------------------------------------------------

TEST_F(PrefsTest, WrongTypedValuesReadAsAbsent) {
    storeRaw("tavrik.notchFlare", QString("abc"));
    storeRaw("tavrik.wingStat", QString("two"));
    storeRaw("tavrik.streakProtection", QString("maybe"));
    storeRaw("tavrik.notchHidden", QString("1"));
    storeRaw("tavrik.accentTheme", QString("3.5"));
    storeRaw("tavrik.msLines", true);
    EXPECT_EQ(Prefs::real(Key::notchFlare), 11);
    EXPECT_FALSE(Prefs::isSet(Key::notchFlare));
    EXPECT_EQ(Prefs::wingStat(), 1);
    EXPECT_TRUE(Prefs::streakProtection());
    EXPECT_FALSE(Prefs::boolean(Key::notchHidden));
    EXPECT_EQ(Prefs::integer(Key::accentTheme), 0);
    EXPECT_EQ(Prefs::integer(Key::msLines), 0);
}

TEST_F(PrefsTest, NonFiniteFloatsReadAsAbsentAndAreNeverStored) {
    storeRaw("tavrik.notchRound", QString("nan"));
    EXPECT_EQ(Prefs::real(Key::notchRound), 13);
    storeRaw("tavrik.notchRound", QString("inf"));
    EXPECT_EQ(Prefs::real(Key::notchRound), 13);
    EXPECT_FALSE(Prefs::setFloat(Key::notchRound, std::nan("")));
}

TEST_F(PrefsTest, AListIsNotAString) {
    storeRaw("tavrik.lastSyncDate", QStringList{"2024-01-01", "2024-01-02"});
    EXPECT_EQ(Prefs::text(Key::lastSyncDate), std::nullopt);
}

TEST_F(PrefsTest, WritingTheWrongTypeIsRefused) {
    EXPECT_FALSE(Prefs::setBoolean(Key::notchFlare, true));
    EXPECT_FALSE(Prefs::setInteger(Key::lastSyncDate, 3));
    EXPECT_FALSE(Prefs::setString(Key::msLines, "3"));
    EXPECT_FALSE(Prefs::setFloat(Key::wingStat, 2));
    EXPECT_FALSE(Prefs::isSet(Key::notchFlare));
    EXPECT_FALSE(Prefs::isSet(Key::wingStat));
}

TEST_F(PrefsTest, IntegersAreNotReadThroughTheWrongAccessor) {
    ASSERT_TRUE(Prefs::setInteger(Key::msLines, 5));
    EXPECT_EQ(Prefs::storedFloat(Key::msLines), std::nullopt);
    EXPECT_EQ(Prefs::storedBoolean(Key::msLines), std::nullopt);
}

// --- Round trip through the file ------------------------------------------------------------

TEST_F(PrefsTest, ValuesSurviveTheFileAsText) {
    ASSERT_TRUE(Prefs::setFloat(Key::notchFlare, 23.5));
    ASSERT_TRUE(Prefs::setBoolean(Key::privateMode, true));
    ASSERT_TRUE(Prefs::setBoolean(Key::streakProtection, false));
    ASSERT_TRUE(Prefs::setInteger(Key::msStreak, 9'000'000'000));
    ASSERT_TRUE(Prefs::setString(Key::lastSyncDate, "2024-03-09"));

    QFile file(QString::fromStdString(isolated.settingsFile().string()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString contents = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(contents.contains("tavrik.notchFlare=23.5")) << contents.toStdString();
    EXPECT_TRUE(contents.contains("tavrik.privateMode=true")) << contents.toStdString();
    EXPECT_TRUE(contents.contains("tavrik.lastSyncDate=2024-03-09")) << contents.toStdString();
}

TEST_F(PrefsTest, HandEditedFileIsReadWithTypesChecked) {
    {
        QFile file(QString::fromStdString(isolated.settingsFile().string()));
        std::filesystem::create_directories(isolated.settingsFile().parent_path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(
            "[General]\n"
            "tavrik.notchFlare=abc\n"
            "tavrik.notchRound=17\n"
            "tavrik.notchXOffset=-4\n"
            "tavrik.notchHidden=true\n"
            "tavrik.streakProtection=FALSE\n"
            "tavrik.wingStat=4.0\n"
            "tavrik.accentTheme=99\n"
            "tavrik.lastSyncDate=2024-02-29\n");
        file.close();
        // The store notices a changed file by its size and time stamp; make the stamp unique.
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                         QFileDevice::FileModificationTime);
    }
    EXPECT_EQ(Prefs::real(Key::notchFlare), 11);
    EXPECT_EQ(Prefs::real(Key::notchRound), 17);
    EXPECT_EQ(Prefs::integer(Key::notchXOffset), -4);
    EXPECT_TRUE(Prefs::boolean(Key::notchHidden));
    EXPECT_FALSE(Prefs::streakProtection());
    EXPECT_EQ(Prefs::wingStat(), 1);
    EXPECT_EQ(Prefs::index(Key::accentTheme, 6), 5u);
    EXPECT_EQ(Prefs::text(Key::lastSyncDate), "2024-02-29");
}

}  // namespace
