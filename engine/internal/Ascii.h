#pragma once

// ASCII-only character helpers: model names and keys are compared without the user's locale.

#include <string>
#include <string_view>

namespace tavrik::ascii {

constexpr bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

inline std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

}  // namespace tavrik::ascii
