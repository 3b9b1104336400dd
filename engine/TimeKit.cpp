#include "engine/TimeKit.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <iterator>

namespace tavrik::TimeKit {

namespace {

using namespace std::chrono;

// Reads exactly n ASCII digits at text[pos].
std::optional<int> digits(std::string_view text, std::size_t pos, std::size_t n) {
    if (pos + n > text.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = pos; i < pos + n; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

bool expect(std::string_view text, std::size_t pos, char c) {
    return pos < text.size() && text[pos] == c;
}

// The calendar fields of an instant in the local zone or in UTC.
std::optional<std::tm> fields(double t, bool utc) {
    // Beyond +-1e15 seconds (some 30 million years) no calendar field is meaningful, and the
    // conversion to time_t would overflow.
    if (!(t > -1e15 && t < 1e15)) {
        return std::nullopt;
    }
    const auto seconds = static_cast<std::time_t>(std::floor(t));
    std::tm tm{};
    if ((utc ? gmtime_r(&seconds, &tm) : localtime_r(&seconds, &tm)) == nullptr) {
        return std::nullopt;
    }
    return tm;
}

year_month_day dateOf(const std::tm& tm) {
    return year_month_day{year{tm.tm_year + 1900}, month{static_cast<unsigned>(tm.tm_mon + 1)},
                          day{static_cast<unsigned>(tm.tm_mday)}};
}

}  // namespace

std::optional<double> epoch(std::string_view text) {
    // YYYY-MM-DDTHH:MM:SS
    const auto y = digits(text, 0, 4);
    const auto mo = digits(text, 5, 2);
    const auto d = digits(text, 8, 2);
    const auto h = digits(text, 11, 2);
    const auto mi = digits(text, 14, 2);
    const auto s = digits(text, 17, 2);
    if (!y || !mo || !d || !h || !mi || !s || !expect(text, 4, '-') || !expect(text, 7, '-')
        || !expect(text, 10, 'T') || !expect(text, 13, ':') || !expect(text, 16, ':')) {
        return std::nullopt;
    }
    const year_month_day date{year{*y}, month{static_cast<unsigned>(*mo)},
                              day{static_cast<unsigned>(*d)}};
    if (!date.ok() || *h > 23 || *mi > 59 || *s > 59) {
        return std::nullopt;
    }

    std::size_t pos = 19;
    std::string_view fraction;
    if (expect(text, pos, '.')) {
        const std::size_t from = ++pos;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            ++pos;
        }
        if (pos == from) {
            return std::nullopt;
        }
        fraction = text.substr(from, pos - from);
    }

    std::int64_t offset = 0;
    if (expect(text, pos, 'Z')) {
        ++pos;
    } else if (expect(text, pos, '+') || expect(text, pos, '-')) {
        const auto oh = digits(text, pos + 1, 2);
        const auto om = digits(text, pos + 4, 2);
        if (!oh || !om || !expect(text, pos + 3, ':') || *oh > 23 || *om > 59) {
            return std::nullopt;
        }
        offset = (text[pos] == '-' ? -1 : 1) * (*oh * 3600 + *om * 60);
        pos += 6;
    } else {
        return std::nullopt;
    }
    if (pos != text.size()) {
        return std::nullopt;
    }

    const std::int64_t days = sys_days(date).time_since_epoch().count();
    const std::int64_t whole = days * 86400 + *h * 3600 + *mi * 60 + *s - offset;
    if (fraction.empty()) {
        return static_cast<double>(whole);
    }
    if (whole < 0) {
        double frac = 0;
        std::string digitsText = "0.";
        digitsText.append(fraction);
        std::from_chars(digitsText.data(), digitsText.data() + digitsText.size(), frac);
        return static_cast<double>(whole) + frac;
    }
    // Read "<whole>.<fraction>" as one decimal so the instant is the double nearest to the
    // written time, with no second rounding step.
    char small[80];
    std::string large;
    const std::size_t need = 21 + fraction.size();
    char* buf = small;
    if (need > sizeof small) {
        large.resize(need);
        buf = large.data();
    }
    char* end = std::to_chars(buf, buf + 20, whole).ptr;
    *end++ = '.';
    end = std::copy(fraction.begin(), fraction.end(), end);
    double t = 0;
    std::from_chars(buf, end, t);
    return t;
}

std::optional<LocalTime> local(double t) {
    const auto tm = fields(t, false);
    if (!tm) {
        return std::nullopt;
    }
    return LocalTime{dateOf(*tm), tm->tm_hour};
}

std::string dayKey(year_month_day date) {
    char buf[16];
    auto put = [](char* p, unsigned value, int width) {
        for (int i = width - 1; i >= 0; --i) {
            p[i] = static_cast<char>('0' + value % 10);
            value /= 10;
        }
    };
    const int y = static_cast<int>(date.year());
    if (y < 0 || y > 9999) {
        // Outside four digits the key is still unique, just longer.
        std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", y, static_cast<unsigned>(date.month()),
                      static_cast<unsigned>(date.day()));
        return buf;
    }
    put(buf, static_cast<unsigned>(y), 4);
    buf[4] = '-';
    put(buf + 5, static_cast<unsigned>(date.month()), 2);
    buf[7] = '-';
    put(buf + 8, static_cast<unsigned>(date.day()), 2);
    return std::string(buf, 10);
}

std::string dateKey(double t) {
    const auto lt = local(t);
    return lt ? dayKey(lt->date) : std::string("0000-00-00");
}

std::string utcDateTime(double t, char separator, std::string_view zone) {
    const auto tm = fields(t, true);
    std::string out = tm ? dayKey(dateOf(*tm)) : std::string("0000-00-00");
    char before = separator;
    for (const int v : {tm ? tm->tm_hour : 0, tm ? tm->tm_min : 0, tm ? tm->tm_sec : 0}) {
        out += before;
        out += static_cast<char>('0' + v / 10);
        out += static_cast<char>('0' + v % 10);
        before = ':';
    }
    out += zone;
    return out;
}

std::string zoneId() {
    const auto digest = [](const std::string& source) {
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016zx", std::hash<std::string>{}(source));
        return std::string(hex);
    };
    // Which file /etc/localtime names is a detail; its rules are what local time follows.
    static const std::string system = [&] {
        std::ifstream in("/etc/localtime", std::ios::binary);
        return digest("localtime=" + std::string{std::istreambuf_iterator<char>(in), {}});
    }();
    const char* tz = std::getenv("TZ");
    return tz != nullptr ? digest("TZ=" + std::string(tz)) : system;
}

std::optional<year_month_day> parseDayKey(std::string_view key) {
    const auto y = digits(key, 0, 4);
    const auto m = digits(key, 5, 2);
    const auto d = digits(key, 8, 2);
    if (key.size() != 10 || !y || !m || !d || key[4] != '-' || key[7] != '-') {
        return std::nullopt;
    }
    const year_month_day date{year{*y}, month{static_cast<unsigned>(*m)},
                              day{static_cast<unsigned>(*d)}};
    if (!date.ok()) {
        return std::nullopt;
    }
    return date;
}

}  // namespace tavrik::TimeKit
