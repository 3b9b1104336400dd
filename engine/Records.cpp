#include "engine/Records.h"

#include "engine/internal/RecordFields.h"

namespace tavrik {

std::optional<std::string> toJson(const FileContribution& c) {
    return detail::writeJson(c);
}
std::optional<std::string> toJson(const Stats& s) {
    return detail::writeJson(s);
}

std::optional<FileContribution> fileContributionFromJson(std::string_view json) {
    return detail::readJson<FileContribution>(json);
}

std::optional<Stats> statsFromJson(std::string_view json) {
    return detail::readJson<Stats>(json);
}

}  // namespace tavrik
