#include "prefs/Prefs.h"

#include <QLoggingCategory>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tavrik::Prefs {
namespace {

Q_LOGGING_CATEGORY(lcPrefs, "tavrik.prefs")

constexpr Stepping noButtons{};

// The flare and corner radius: 0 means "not set", and the first press starts just beside
// the default instead of stepping from 0.
constexpr Stepping flareButtons{2, 1, 40, true, 13, 9};
constexpr Stepping roundButtons{2, 1, 30, true, 15, 11};
// The alignment offsets move by 2 points per press without limit.
constexpr Stepping offsetButtons{2, 0, 0, false, std::nullopt, std::nullopt};

constexpr KeyInfo registry[] = {
    {Key::notchFlare, "tavrik.notchFlare", Type::Float, 11, true, flareButtons},
    {Key::notchRound, "tavrik.notchRound", Type::Float, 13, true, roundButtons},
    {Key::notchWidthOffset, "tavrik.notchWidthOffset", Type::Integer, 0, false, offsetButtons},
    {Key::notchHeightOffset, "tavrik.notchHeightOffset", Type::Integer, 0, false, offsetButtons},
    {Key::notchXOffset, "tavrik.notchXOffset", Type::Integer, 0, false, offsetButtons},
    {Key::notchHidden, "tavrik.notchHidden", Type::Boolean, 0, false, noButtons},
    {Key::streakProtection, "tavrik.streakProtection", Type::Boolean, 1, false, noButtons},
    {Key::wingStat, "tavrik.wingStat", Type::Integer, 1, false, noButtons},
    {Key::spriteKind, "tavrik.spriteKind", Type::Integer, 0, false, noButtons},
    {Key::accentTheme, "tavrik.accentTheme", Type::Integer, 0, false, noButtons},
    {Key::cardBackground, "tavrik.cardBackground", Type::Integer, 0, false, noButtons},
    {Key::leaderboardOptIn, "tavrik.leaderboardOptIn", Type::Boolean, 0, false, noButtons},
    {Key::privateMode, "tavrik.privateMode", Type::Boolean, 0, false, noButtons},
    {Key::keepHistory, "tavrik.keepHistory", Type::Boolean, 0, false, noButtons},
    {Key::lastSyncDate, "tavrik.lastSyncDate", Type::String, 0, false, noButtons},
    {Key::msLines, "tavrik.msLines", Type::Integer, 0, false, noButtons},
    {Key::msStreak, "tavrik.msStreak", Type::Integer, 0, false, noButtons},
    {Key::boardUrl, "tavrik.boardUrl", Type::String, 0, false, noButtons},
    {Key::boardKey, "tavrik.boardKey", Type::String, 0, false, noButtons},
    {Key::sessionStored, "tavrik.sessionStored", Type::Boolean, 0, false, noButtons},
};

constexpr bool registryFollowsKeyOrder() {
    for (std::size_t i = 0; i < std::size(registry); ++i) {
        if (static_cast<std::size_t>(registry[i].key) != i) {
            return false;
        }
    }
    return true;
}
static_assert(registryFollowsKeyOrder(), "one register row per Key, in the order of Key");
static_assert(std::size(registry) == static_cast<std::size_t>(Key::sessionStored) + 1);

// Each call opens its own QSettings: the object is not meant to be shared between threads,
// but all objects on one file share the process's cache. Opening checks whether another
// process changed the file, once per file it reads; naming the one file, instead of letting
// QSettings also look for the organisation-wide and system-wide fallbacks, makes that a
// quarter of the cost, which matters to the overlay reading its look several times a second.
QSettings openStore() {
    static const QString file =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Tavrik/Tavrik.conf");
    return QSettings(file, QSettings::NativeFormat);
}

QString storedName(Key key) {
    const std::string_view name = info(key).name;
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QVariant rawValue(Key key) {
    return openStore().value(storedName(key));
}

// The native format gives back every value as text once it has been written to disk, while
// values set earlier in this process keep their own type; both forms are accepted here.
std::optional<std::int64_t> toInteger(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
            return v.toLongLong();
        case QMetaType::UInt:
        case QMetaType::ULongLong: {
            const qulonglong u = v.toULongLong();
            if (u > static_cast<qulonglong>(std::numeric_limits<std::int64_t>::max())) {
                return std::nullopt;
            }
            return static_cast<std::int64_t>(u);
        }
        case QMetaType::QString: {
            bool ok = false;
            const qlonglong n = v.toString().trimmed().toLongLong(&ok);
            return ok ? std::optional<std::int64_t>(n) : std::nullopt;
        }
        default:
            return std::nullopt;
    }
}

std::optional<double> toFloat(const QVariant& v) {
    double d = 0;
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
            d = v.toDouble();
            break;
        case QMetaType::QString: {
            bool ok = false;
            d = v.toString().trimmed().toDouble(&ok);
            if (!ok) {
                return std::nullopt;
            }
            break;
        }
        default:
            return std::nullopt;
    }
    // "nan" and "inf" parse as doubles but are never a setting anyone wrote.
    if (!std::isfinite(d)) {
        return std::nullopt;
    }
    return d;
}

std::optional<bool> toBoolean(const QVariant& v) {
    if (v.typeId() == QMetaType::Bool) {
        return v.toBool();
    }
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
            return true;
        }
        if (s.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
            return false;
        }
    }
    return std::nullopt;
}

bool hasType(Key key, Type type) {
    if (info(key).type == type) {
        return true;
    }
    qCWarning(lcPrefs) << "refused to store a value of the wrong type under" << storedName(key);
    return false;
}

bool write(Key key, const QVariant& value) {
    QSettings store = openStore();
    store.setValue(storedName(key), value);
    store.sync();
    if (store.status() != QSettings::NoError) {
        qCWarning(lcPrefs) << "could not write" << store.fileName();
        return false;
    }
    return true;
}

double stepFrom(Key key, bool up) {
    const KeyInfo& row = info(key);
    const Stepping& s = row.stepping;
    if (s.step == 0) {
        return row.type == Type::Float ? real(key) : static_cast<double>(integer(key));
    }
    if (row.type == Type::Integer) {
        const std::int64_t current = integer(key);
        const auto step = static_cast<std::int64_t>(s.step);
        std::int64_t next = current;
        // Saturate rather than overflow on a hand-edited extreme.
        if (up) {
            next = current > std::numeric_limits<std::int64_t>::max() - step
                       ? std::numeric_limits<std::int64_t>::max()
                       : current + step;
        } else {
            next = current < std::numeric_limits<std::int64_t>::min() + step
                       ? std::numeric_limits<std::int64_t>::min()
                       : current - step;
        }
        if (s.bounded) {
            next = std::clamp<std::int64_t>(next, static_cast<std::int64_t>(s.min),
                                            static_cast<std::int64_t>(s.max));
        }
        setInteger(key, next);
        return static_cast<double>(next);
    }
    const std::optional<double> stored = storedFloat(key);
    const bool unset = !stored || (row.zeroMeansUnset && *stored == 0);
    double next = 0;
    if (unset && up && s.upFromUnset) {
        next = *s.upFromUnset;
    } else if (unset && !up && s.downFromUnset) {
        next = *s.downFromUnset;
    } else {
        const double current = unset ? row.defaultValue : *stored;
        next = up ? current + s.step : current - s.step;
        if (s.bounded) {
            next = up ? std::min(next, s.max) : std::max(next, s.min);
        }
    }
    setFloat(key, next);
    return next;
}

}  // namespace

std::span<const KeyInfo> all() {
    return registry;
}

const KeyInfo& info(Key key) {
    return registry[static_cast<std::size_t>(key)];
}

std::optional<Key> keyNamed(std::string_view name) {
    for (const KeyInfo& row : registry) {
        if (row.name == name) {
            return row.key;
        }
    }
    return std::nullopt;
}

std::optional<std::int64_t> storedInteger(Key key) {
    if (info(key).type != Type::Integer) {
        return std::nullopt;
    }
    return toInteger(rawValue(key));
}

std::optional<double> storedFloat(Key key) {
    if (info(key).type != Type::Float) {
        return std::nullopt;
    }
    return toFloat(rawValue(key));
}

std::optional<bool> storedBoolean(Key key) {
    if (info(key).type != Type::Boolean) {
        return std::nullopt;
    }
    return toBoolean(rawValue(key));
}

std::optional<std::string> storedString(Key key) {
    if (info(key).type != Type::String) {
        return std::nullopt;
    }
    const QVariant v = rawValue(key);
    // A comma-separated line comes back as a list: not a string anyone stored.
    if (v.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    return v.toString().toStdString();
}

bool isSet(Key key) {
    switch (info(key).type) {
        case Type::Integer:
            return storedInteger(key).has_value();
        case Type::Float:
            return storedFloat(key).has_value();
        case Type::Boolean:
            return storedBoolean(key).has_value();
        case Type::String:
            return storedString(key).has_value();
    }
    return false;
}

std::int64_t integer(Key key) {
    const KeyInfo& row = info(key);
    const std::optional<std::int64_t> v = storedInteger(key);
    if (!v || (row.zeroMeansUnset && *v == 0)) {
        return static_cast<std::int64_t>(row.defaultValue);
    }
    return *v;
}

double real(Key key) {
    const KeyInfo& row = info(key);
    const std::optional<double> v = storedFloat(key);
    if (!v || (row.zeroMeansUnset && *v == 0)) {
        return row.defaultValue;
    }
    return *v;
}

bool boolean(Key key) {
    return storedBoolean(key).value_or(info(key).defaultValue != 0);
}

std::optional<std::string> text(Key key) {
    return storedString(key);
}

std::size_t index(Key key, std::size_t count) {
    if (count == 0) {
        return 0;
    }
    const std::int64_t v = integer(key);
    if (v < 0) {
        return 0;
    }
    return std::min(static_cast<std::size_t>(v), count - 1);
}

bool setInteger(Key key, std::int64_t value) {
    return hasType(key, Type::Integer) && write(key, QVariant::fromValue<qlonglong>(value));
}

bool setFloat(Key key, double value) {
    if (!std::isfinite(value)) {
        return false;
    }
    return hasType(key, Type::Float) && write(key, QVariant(value));
}

bool setBoolean(Key key, bool value) {
    return hasType(key, Type::Boolean) && write(key, QVariant(value));
}

bool setString(Key key, std::string_view value) {
    return hasType(key, Type::String)
           && write(key, QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
}

bool remove(Key key) {
    QSettings store = openStore();
    store.remove(storedName(key));
    store.sync();
    return store.status() == QSettings::NoError;
}

bool restoreDefault(Key key) {
    const KeyInfo& row = info(key);
    if (row.type == Type::Integer) {
        return setInteger(key, static_cast<std::int64_t>(row.defaultValue));
    }
    return remove(key);
}

double stepUp(Key key) {
    return stepFrom(key, true);
}

double stepDown(Key key) {
    return stepFrom(key, false);
}

bool streakProtection() {
    return boolean(Key::streakProtection);
}

std::int64_t wingStat() {
    return integer(Key::wingStat);
}

std::int64_t cycleWingStat() {
    const auto n = static_cast<std::int64_t>(wingStatLabels.size());
    // Remainder first so that a hand-edited extreme cannot overflow, then made non-negative.
    std::int64_t next = (wingStat() % n + 1) % n;
    if (next < 0) {
        next += n;
    }
    setInteger(Key::wingStat, next);
    return next;
}

}  // namespace tavrik::Prefs
