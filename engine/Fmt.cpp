#include "engine/Fmt.h"

#include "engine/TimeKit.h"

#include <charconv>
#include <cmath>

namespace tavrik::Fmt {

namespace {

// printf's "%.<precision>f" without the C locale: the separator is always a point.
std::string fixed(double v, int precision) {
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, precision);
    return std::string(buf, res.ptr);
}

}  // namespace

std::string num(double v) {
    if (v >= 1e9) {
        return fixed(v / 1e9, 1) + "B";
    }
    if (v >= 1e6) {
        return fixed(v / 1e6, 1) + "M";
    }
    if (v >= 1e4) {
        return fixed(v / 1e3, 0) + "k";
    }
    if (v >= 1e3) {
        return fixed(v / 1e3, 1) + "k";
    }
    // Halves away from zero; adding 0.0 turns a rounded -0 into 0.
    return fixed(std::round(v) + 0.0, 0);
}

std::string money(double dollars) {
    if (dollars >= 1e9) {
        return "$" + fixed(dollars / 1e9, 1) + "B";
    }
    if (dollars >= 1e6) {
        return "$" + fixed(dollars / 1e6, 1) + "M";
    }
    if (dollars >= 1000) {
        return "$" + fixed(dollars / 1000, 1) + "k";
    }
    if (dollars < 10) {
        return "$" + fixed(dollars, 2);
    }
    return "$" + fixed(dollars, 0);
}

std::string humanDate(const std::optional<std::string>& dayKey) {
    static constexpr const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (!dayKey) {
        return {};
    }
    const auto date = TimeKit::parseDayKey(*dayKey);
    if (!date) {
        return {};
    }
    return std::string(months[static_cast<unsigned>(date->month()) - 1]) + " "
           + std::to_string(static_cast<unsigned>(date->day()));
}

}  // namespace tavrik::Fmt
