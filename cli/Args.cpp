#include "cli/Args.h"

#include <algorithm>

namespace tavrik::cli {

bool Args::has(const std::string& option) const {
    return std::find(items.begin(), items.end(), option) != items.end();
}

std::optional<std::string> Args::after(const std::string& option) const {
    const auto it = std::find(items.begin(), items.end(), option);
    if (it == items.end() || it + 1 == items.end()) {
        return std::nullopt;
    }
    return *(it + 1);
}

}  // namespace tavrik::cli
