// The Claude Code transcript reader: one JSON object per line; prompts, assistant replies with
// their token usage and cost, and the lines the agent's edits added and removed.

#include "engine/Pricing.h"
#include "engine/StatsEngine.h"
#include "engine/TimeKit.h"
#include "engine/internal/Contribution.h"
#include "engine/internal/LogLines.h"

#include <string_view>
#include <utility>

namespace tavrik::StatsEngine {

namespace {

using simdjson::dom::array;
using simdjson::dom::element;
using simdjson::dom::object;

// Remembers the rate of the last model priced: consecutive replies nearly always share one.
struct RateMemo {
    std::string model;
    Rate rate;
    bool valid = false;

    Rate get(std::string_view name) {
        if (!valid || model != name) {
            model.assign(name);
            rate = Pricing::baseFor(name);
            valid = true;
        }
        return rate;
    }
};

// Returns whether a user message's content counts as a prompt: any string, or an array with
// at least one element that is not a tool result.
bool isPromptContent(element content) {
    if (content.is_string()) {
        return true;
    }
    array blocks;
    if (content.get_array().get(blocks)) {
        return false;
    }
    for (element block : blocks) {
        object obj;
        if (block.get_object().get(obj)) {
            return true;
        }
        const auto type = detail::stringMember(obj, "type");
        if (!type || *type != "tool_result") {
            return true;
        }
    }
    return false;
}

std::int64_t countLineFeeds(std::string_view text) {
    std::int64_t n = 0;
    for (const char *p = text.data(), *end = text.data() + text.size();
         (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))));
         ++p) {
        ++n;
    }
    return n;
}

// Returns (added, removed) of a tool result: the "+" and "-" lines of its structured patch,
// else every line of a written file's content.
std::pair<std::int64_t, std::int64_t> linesFromResult(object result) {
    std::int64_t added = 0;
    std::int64_t removed = 0;
    const auto patch = detail::member(result, "structuredPatch");
    array hunks;
    if (patch && !patch->get_array().get(hunks)) {
        for (element hunk : hunks) {
            object h;
            array lines;
            if (hunk.get_object().get(h)) {
                continue;
            }
            const auto linesValue = detail::member(h, "lines");
            if (!linesValue || linesValue->get_array().get(lines)) {
                continue;
            }
            for (element line : lines) {
                std::string_view s;
                if (line.get_string().get(s) || s.empty()) {
                    continue;
                }
                added += s.front() == '+';
                removed += s.front() == '-';
            }
        }
        return {added, removed};
    }
    const auto content = detail::stringMember(result, "content");
    if (content && !patch && detail::stringMember(result, "filePath")) {
        return {countLineFeeds(*content) + 1, 0};
    }
    return {0, 0};
}

struct LineFields {
    std::optional<element> timestamp, type, isMeta, isSidechain, message, toolUseResult;
};

// One pass over the top-level members; with duplicate keys the last one wins.
LineFields topLevel(object line) {
    LineFields f;
    for (const auto field : line) {
        const std::string_view k = field.key;
        if (k == "timestamp") {
            f.timestamp = field.value;
        } else if (k == "type") {
            f.type = field.value;
        } else if (k == "isMeta") {
            f.isMeta = field.value;
        } else if (k == "isSidechain") {
            f.isSidechain = field.value;
        } else if (k == "message") {
            f.message = field.value;
        } else if (k == "toolUseResult") {
            f.toolUseResult = field.value;
        }
    }
    return f;
}

bool isTrue(const std::optional<element>& e) {
    bool v = false;
    return e && !e->get_bool().get(v) && v;
}

void processLine(object line, FileContribution& c, RateMemo& rates) {
    const LineFields f = topLevel(line);

    std::optional<std::string> day;
    std::string_view text;
    if (f.timestamp && !f.timestamp->get_string().get(text)) {
        if (const auto t = TimeKit::epoch(text)) {
            day = detail::noteInstant(c, *t);
        }
    }

    std::string_view type;
    if (f.type && f.type->get_string().get(type)) {
        type = {};
    }
    object message;
    const bool messageIsObject = f.message && !f.message->get_object().get(message);

    if (type == "last-prompt") {
        ++c.prompts;
    } else if (type == "user" && f.message && !isTrue(f.isMeta) && !isTrue(f.isSidechain)
               && messageIsObject) {
        const auto content = detail::member(message, "content");
        if (content && isPromptContent(*content)) {
            ++c.prompts;
        }
    }

    if (type == "assistant" && messageIsObject) {
        const auto usage = detail::objectMember(message, "usage");
        const auto model = detail::stringMember(message, "model");
        if (usage && model && *model != "<synthetic>") {
            const double in = detail::tokenMember(*usage, "input_tokens");
            const double out = detail::tokenMember(*usage, "output_tokens");
            const double cr = detail::tokenMember(*usage, "cache_read_input_tokens");
            const double cw = detail::tokenMember(*usage, "cache_creation_input_tokens");
            ModelAcc& acc = c.models[std::string(*model)];
            ++acc.messages;
            acc.input += in;
            acc.output += out;
            acc.cacheRead += cr;
            acc.cacheWrite += cw;
            ++c.assistantMessages;
            c.tokensIn += in;
            c.tokensOut += out;
            c.cacheRead += cr;
            c.cacheWrite += cw;
            const double cost = Pricing::cost(rates.get(*model), in, out, cr, cw);
            c.cost += cost;
            if (day) {
                DayBucket& bucket = c.perDay[*day];
                bucket.cost += cost;
                bucket.tokens += in + out;
            }
        }
    }

    object result;
    if (f.toolUseResult && !f.toolUseResult->get_object().get(result)) {
        const auto filePath = detail::stringMember(result, "filePath");
        const bool hasPatch = detail::member(result, "structuredPatch").has_value();
        if (filePath && (hasPatch || detail::stringMember(result, "content"))) {
            const auto [added, removed] = linesFromResult(result);
            if (added != 0 || removed != 0) {
                c.linesAdded += added;
                c.linesRemoved += removed;
                c.editedFiles.emplace(*filePath);
                if (day) {
                    c.perDay[*day].linesAdded += added;
                }
            }
        }
    }
}

}  // namespace

FileContribution parseClaudeFile(const std::string& path, ReadScratch& scratch) {
    FileContribution c;
    detail::ScratchSpace& space = scratch.space();
    RateMemo rates;
    const bool read = detail::forEachLineOfFile(path, space, [&](std::string_view line) {
        if (const auto obj = detail::parseObjectLine(space, line)) {
            processLine(*obj, c, rates);
        }
    });
    return read ? c : FileContribution{};
}

}  // namespace tavrik::StatsEngine
