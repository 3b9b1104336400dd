#include "engine/CodexParser.h"

#include "engine/Pricing.h"
#include "engine/ReadScratch.h"
#include "engine/TimeKit.h"
#include "engine/internal/Contribution.h"
#include "engine/internal/FileWalk.h"
#include "engine/internal/LogLines.h"

namespace tavrik::CodexParser {

namespace {

using simdjson::dom::object;

// What a session has shown so far; tokens, model and cost are settled after the last line.
struct Session {
    std::string model = "gpt-5-codex";
    double input = 0;
    double cached = 0;
    double output = 0;
    bool sawUsage = false;
    double latest = 0;
    bool sawInstant = false;
};

void processLine(object line, FileContribution& c, Session& s) {
    if (const auto text = detail::stringMember(line, "timestamp")) {
        if (const auto t = TimeKit::epoch(*text)) {
            detail::noteInstant(c, *t);
            s.latest = *t;  // the last in file order, not the greatest
            s.sawInstant = true;
        }
    }
    const auto payload = detail::objectMember(line, "payload");
    if (!payload) {
        return;
    }
    if (const auto model = detail::stringMember(*payload, "model"); model && !model->empty()) {
        s.model.assign(*model);
    }
    const auto type = detail::stringMember(*payload, "type");
    if (!type) {
        return;
    }
    if (*type == "token_count") {
        const auto info = detail::objectMember(*payload, "info");
        const auto usage = info ? detail::objectMember(*info, "total_token_usage") : std::nullopt;
        if (usage) {
            // Running totals: the last event replaces everything before it.
            s.input = detail::tokenMember(*usage, "input_tokens");
            s.cached = detail::tokenMember(*usage, "cached_input_tokens");
            s.output = detail::tokenMember(*usage, "output_tokens");
            s.sawUsage = true;
        }
    } else if (*type == "message") {
        const auto role = detail::stringMember(*payload, "role");
        if (role == "user") {
            ++c.prompts;
        } else if (role == "assistant") {
            ++c.assistantMessages;
        }
    } else if (*type == "custom_tool_call") {
        const auto input = detail::stringMember(*payload, "input");
        if (detail::stringMember(*payload, "name") == "apply_patch" && input) {
            const auto [added, removed] = linesFromPatch(*input);
            c.linesAdded += added;
            c.linesRemoved += removed;
        }
    }
}

void settle(FileContribution& c, const Session& s) {
    DayBucket* bucket = nullptr;
    if (s.sawInstant) {
        bucket = &c.perDay[TimeKit::dateKey(s.latest)];
        bucket->linesAdded += c.linesAdded;
    }
    if (!s.sawUsage) {
        return;
    }
    const double fresh = s.input - s.cached < 0 ? 0 : s.input - s.cached;
    ModelAcc& acc = c.models[s.model];
    acc.messages += c.assistantMessages;
    acc.input += fresh;
    acc.output += s.output;
    acc.cacheRead += s.cached;
    c.tokensIn = fresh;
    c.tokensOut = s.output;
    c.cacheRead = s.cached;
    c.cost = Pricing::cost(Pricing::baseFor(s.model), fresh, s.output, s.cached, 0);
    if (bucket) {
        bucket->cost += c.cost;
        bucket->tokens += fresh + s.output;
    }
}

}  // namespace

bool isRollout(std::string_view name) {
    return name.starts_with("rollout-") && detail::hasJsonlExtension(name);
}

std::vector<std::string> findRollouts(const std::filesystem::path& root) {
    return detail::walkFiles(root, isRollout);
}

std::pair<std::int64_t, std::int64_t> linesFromPatch(std::string_view patch) {
    std::int64_t added = 0;
    std::int64_t removed = 0;
    std::size_t start = 0;
    while (start <= patch.size()) {
        const std::size_t nl = patch.find('\n', start);
        const std::size_t end = nl == std::string_view::npos ? patch.size() : nl;
        const std::string_view line = patch.substr(start, end - start);
        if (!line.empty() && !line.starts_with("*** ") && !line.starts_with("@@")) {
            added += line.front() == '+';
            removed += line.front() == '-';
        }
        start = end + 1;
    }
    return {added, removed};
}

FileContribution parseFile(const std::string& path, ReadScratch& scratch) {
    FileContribution c;
    detail::ScratchSpace& space = scratch.space();
    Session session;
    bool validText = true;
    const bool read = detail::forEachLineOfFile(path, space, [&](std::string_view line) {
        if (!validText) {
            return;
        }
        if (const auto obj = detail::parseObjectLine(space, line)) {
            processLine(*obj, c, session);
        } else if (!simdjson::validate_utf8(line.data(), line.size())) {
            // A line the parser accepted is valid UTF-8 already; only rejected lines need the
            // check. Line feeds never occur inside a multi-byte character, so checking line
            // by line checks the whole file.
            validText = false;
        }
    });
    if (!read || !validText) {
        return {};
    }
    settle(c, session);
    return c;
}

Aggregate aggregateAll(const std::filesystem::path& root) {
    Aggregate total;
    ReadScratch scratch;
    for (const auto& file : findRollouts(root)) {
        ++total.fileCount;
        detail::addContribution(total.contribution, parseFile(file, scratch));
    }
    return total;
}

}  // namespace tavrik::CodexParser
