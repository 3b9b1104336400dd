#include "engine/Pricing.h"

#include "engine/internal/Ascii.h"

namespace tavrik::Pricing {

namespace {

struct ModelEntry {
    std::string_view name;
    Rate rate;
    std::string_view display;
};

constexpr ModelEntry table[] = {
    {"claude-opus-4-8", {5, 25}, "Opus 4.8"},
    {"claude-opus-4-7", {5, 25}, "Opus 4.7"},
    {"claude-opus-4-6", {5, 25}, "Opus 4.6"},
    {"claude-opus-4-5", {5, 25}, "Opus 4.5"},
    {"claude-sonnet-5", {3, 15}, "Sonnet 5"},
    {"claude-sonnet-4-6", {3, 15}, "Sonnet 4.6"},
    {"claude-sonnet-4-5", {3, 15}, "Sonnet 4.5"},
    {"claude-haiku-4-5", {1, 5}, "Haiku 4.5"},
    {"claude-fable-5", {10, 50}, "Fable 5"},
    {"claude-mythos-5", {10, 50}, "Mythos 5"},
    {"gpt-5", {1.25, 10}, "GPT-5"},
    {"gpt-5-codex", {1.25, 10}, "GPT-5 Codex"},
    {"gpt-5.5", {1.25, 10}, "GPT-5.5"},
    {"gpt-5.5-codex", {1.25, 10}, "GPT-5.5 Codex"},
};

// Substring rules for names outside the table, tested in this order.
struct FamilyRule {
    std::string_view needle;
    Rate rate;
};

constexpr FamilyRule families[] = {
    {"gpt", {1.25, 10}},  {"opus", {5, 25}}, {"fable", {10, 50}},
    {"mythos", {10, 50}}, {"haiku", {1, 5}},
};

constexpr Rate defaultRate{3, 15};

const ModelEntry* find(std::string_view name) {
    for (const auto& entry : table) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

// Returns name without a trailing hyphen and exactly eight digits.
std::string_view withoutDateSuffix(std::string_view name) {
    constexpr std::size_t suffix = 9;
    if (name.size() < suffix || name[name.size() - suffix] != '-') {
        return name;
    }
    for (std::size_t i = name.size() - 8; i < name.size(); ++i) {
        if (!ascii::isDigit(name[i])) {
            return name;
        }
    }
    return name.substr(0, name.size() - suffix);
}

}  // namespace

Rate baseFor(std::string_view model) {
    if (const auto* entry = find(model)) {
        return entry->rate;
    }
    const std::string lower = ascii::lower(model);
    for (const auto& rule : families) {
        if (lower.find(rule.needle) != std::string::npos) {
            return rule.rate;
        }
    }
    return defaultRate;
}

double cost(Rate rate, double input, double output, double cacheRead, double cacheWrite) {
    const double r = rate.inRate;
    const double o = rate.outRate;
    return input * (r / 1'000'000) + output * (o / 1'000'000) + cacheRead * ((r * 0.1) / 1'000'000)
           + cacheWrite * ((r * 1.25) / 1'000'000);
}

std::string prettyModel(std::string_view model) {
    const std::string_view stem = withoutDateSuffix(model);
    if (const auto* entry = find(stem)) {
        return std::string(entry->display);
    }
    std::string result(stem);
    if (ascii::lower(stem).starts_with("gpt")) {
        const std::string lower = ascii::lower(stem);
        for (std::size_t at = lower.find("gpt"); at != std::string::npos;
             at = lower.find("gpt", at + 3)) {
            result.replace(at, 3, "GPT");
        }
    }
    return result;
}

}  // namespace tavrik::Pricing
