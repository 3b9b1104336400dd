#pragma once

// Prefs: the user-defaults store and the register of every "tavrik." key.
//
// Settings and the little state that must survive a restart live in QSettings (native format:
// $XDG_CONFIG_HOME/Tavrik/Tavrik.conf, with no system-wide fallback). Every key has one row in
// the register: its type, its default and the range its controls step through. Nothing reads
// or writes a setting except through this namespace.
//
// Reading never fails: an absent key, or a value that does not parse as the key's type (a
// hand-edited "tavrik.notchFlare=abc"), reads as absent and so gives the key's default. Writes
// are best effort: they return false when the file could not be written, and the value is then
// still visible to this process. Every function may be called from any thread (each call uses
// its own QSettings object; QSettings shares one cache per file inside the process).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tavrik::Prefs {

enum class Type { Integer, Float, Boolean, String };

enum class Key {
    notchFlare,
    notchRound,
    notchWidthOffset,
    notchHeightOffset,
    notchXOffset,
    notchHidden,
    streakProtection,
    wingStat,
    spriteKind,
    accentTheme,
    cardBackground,
    leaderboardOptIn,
    privateMode,
    keepHistory,
    lastSyncDate,
    msLines,
    msStreak,
    boardUrl,
    boardKey,
    sessionStored,
};

// What the settings window's plus and minus buttons do to a numeric key. A key without
// buttons has step 0.
struct Stepping {
    double step = 0;
    double min = 0;  // lowest value the minus button stores
    double max = 0;  // highest value the plus button stores
    bool bounded = false;
    // What plus and minus store when the key is not set (only for the floats where 0 means
    // "not set"); otherwise they step from the current value.
    std::optional<double> upFromUnset;
    std::optional<double> downFromUnset;
};

// One row of the register.
struct KeyInfo {
    Key key;
    std::string_view name;  // the stored key, "tavrik." + lowerCamelCase
    Type type;
    double defaultValue;  // read when the key is absent; booleans use 0 and 1; unused for strings
    bool zeroMeansUnset;  // a stored 0 also reads as the default
    Stepping stepping;
};

// Returns the whole register, in the order of Key.
std::span<const KeyInfo> all();

// Returns the register row of a key.
const KeyInfo& info(Key key);

// Returns the key registered under a stored name, or nothing.
std::optional<Key> keyNamed(std::string_view name);

// Returns the stored value when the key is present and parses as its type, else nothing.
// A value of the wrong type is treated exactly like an absent key.
std::optional<std::int64_t> storedInteger(Key key);
std::optional<double> storedFloat(Key key);
std::optional<bool> storedBoolean(Key key);
std::optional<std::string> storedString(Key key);

// Returns whether the key holds a well-typed value.
bool isSet(Key key);

// Returns the value with the register's default applied (absent, wrong-typed, or 0 where 0
// means "not set").
std::int64_t integer(Key key);
double real(Key key);
bool boolean(Key key);
std::optional<std::string> text(Key key);

// Returns the integer value clamped to 0 … count − 1, for the keys that index a list (sprite,
// accent). Returns 0 when count is 0.
std::size_t index(Key key, std::size_t count);

// Stores a value. Returns false when the key has another type or the file could not be written.
bool setInteger(Key key, std::int64_t value);
bool setFloat(Key key, double value);
bool setBoolean(Key key, bool value);
bool setString(Key key, std::string_view value);

// Removes a key; it then reads as its default.
bool remove(Key key);

// Puts a key back to its default the way the settings window's reset does: an integer stores
// its default; any other key is removed (where 0 means "not set", the next press then starts
// beside the default again).
bool restoreDefault(Key key);

// Applies the key's plus or minus button and returns the value stored. Keys without buttons
// are left alone and return their current value.
double stepUp(Key key);
double stepDown(Key key);

// The statistic shown in the notch's right wing, by index.
inline constexpr std::array<std::string_view, 7> wingStatLabels{
    "Tavrik Score", "Lines today", "$ today", "Streak", "Total lines", "Total $", "Sessions",
};

// Returns true when "tavrik.streakProtection" is absent, otherwise its stored boolean.
bool streakProtection();

// Returns 1 when "tavrik.wingStat" is absent, otherwise its stored integer (not clamped).
std::int64_t wingStat();

// Stores the next wing statistic, (wingStat() + 1) modulo 7 (never negative), and returns it.
std::int64_t cycleWingStat();

}  // namespace tavrik::Prefs
