#include "cli/ReportFormat.h"

#include <charconv>
#include <cmath>
#include <iostream>

namespace tavrik::cli {

std::string reportDouble(double v) {
    if (std::isnan(v)) {
        return "nan";
    }
    if (std::isinf(v)) {
        return v < 0 ? "-inf" : "inf";
    }
    char buf[400];
    const double magnitude = std::fabs(v);
    if (magnitude == 0 || (magnitude >= 1e-4 && magnitude < 1e16)) {
        const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
        std::string text(buf, res.ptr);
        if (text.find('.') == std::string::npos) {
            text += ".0";
        }
        return text;
    }
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    return std::string(buf, res.ptr);
}

std::string oneDecimal(double v) {
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 1);
    return std::string(buf, res.ptr);
}

std::string orDash(const std::optional<std::string>& text) {
    return text ? *text : "-";
}

int printJson(const std::optional<std::string>& json) {
    if (!json) {
        std::cerr << "tavrik: a figure is not a finite number; no JSON written\n";
        return 1;
    }
    std::cout << *json << '\n';
    return 0;
}

}  // namespace tavrik::cli
