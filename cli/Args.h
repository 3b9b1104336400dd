#pragma once

// The process arguments as the modes see them: options are whole elements compared exactly,
// anywhere in the list (element 0, the executable's path, is not an option).

#include <optional>
#include <string>
#include <vector>

namespace tavrik::cli {

struct Args {
    std::vector<std::string> items;  // without the executable's path

    // Returns whether option occurs as a whole element.
    bool has(const std::string& option) const;

    // Returns the element after the first occurrence of option, whatever it looks like.
    std::optional<std::string> after(const std::string& option) const;
};

}  // namespace tavrik::cli
