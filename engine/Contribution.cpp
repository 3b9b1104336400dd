#include "engine/internal/Contribution.h"

#include "engine/TimeKit.h"

namespace tavrik::detail {

std::string noteInstant(FileContribution& c, double t) {
    const auto lt = TimeKit::local(t);
    std::string day = lt ? TimeKit::dayKey(lt->date) : std::string("0000-00-00");
    c.activeDays.insert(day);
    if (lt && lt->hour >= 0 && lt->hour <= 23) {
        ++c.byHour[static_cast<std::size_t>(lt->hour)];
    }
    if (!c.minTs || *c.minTs > t) {
        c.minTs = t;
    }
    if (!c.maxTs || *c.maxTs < t) {
        c.maxTs = t;
    }
    return day;
}

void addContribution(FileContribution& total, const FileContribution& c) {
    for (const auto& [name, acc] : c.models) {
        ModelAcc& into = total.models[name];
        into.messages = addClamped(into.messages, acc.messages);
        into.input += acc.input;
        into.output += acc.output;
        into.cacheRead += acc.cacheRead;
        into.cacheWrite += acc.cacheWrite;
    }
    total.activeDays.insert(c.activeDays.begin(), c.activeDays.end());
    for (std::size_t h = 0; h < total.byHour.size(); ++h) {
        total.byHour[h] = addClamped(total.byHour[h], c.byHour[h]);
    }
    total.prompts = addClamped(total.prompts, c.prompts);
    total.assistantMessages = addClamped(total.assistantMessages, c.assistantMessages);
    total.tokensIn += c.tokensIn;
    total.tokensOut += c.tokensOut;
    total.cacheRead += c.cacheRead;
    total.cacheWrite += c.cacheWrite;
    total.linesAdded = addClamped(total.linesAdded, c.linesAdded);
    total.linesRemoved = addClamped(total.linesRemoved, c.linesRemoved);
    total.cost += c.cost;
    if (c.minTs && (!total.minTs || *total.minTs > *c.minTs)) {
        total.minTs = c.minTs;
    }
    if (c.maxTs && (!total.maxTs || *total.maxTs <= *c.maxTs)) {
        total.maxTs = c.maxTs;
    }
}

}  // namespace tavrik::detail
