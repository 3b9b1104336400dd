#pragma once

// The field lists of the statistics records, in declaration order: the single source of their
// JSON keys (see internal/JsonFields.h).

#include "engine/ParseCache.h"
#include "engine/Records.h"
#include "engine/internal/JsonFields.h"

namespace tavrik {

template <detail::RecordOf<ModelAcc> Self, class F>
void forEachField(Self& r, F&& f) {
    f("messages", r.messages);
    f("input", r.input);
    f("output", r.output);
    f("cacheRead", r.cacheRead);
    f("cacheWrite", r.cacheWrite);
}

template <detail::RecordOf<DayBucket> Self, class F>
void forEachField(Self& r, F&& f) {
    f("linesAdded", r.linesAdded);
    f("cost", r.cost);
    f("tokens", r.tokens);
}

template <detail::RecordOf<FileContribution> Self, class F>
void forEachField(Self& r, F&& f) {
    f("models", r.models);
    f("activeDays", r.activeDays);
    f("byHour", r.byHour);
    f("prompts", r.prompts);
    f("assistantMessages", r.assistantMessages);
    f("tokensIn", r.tokensIn);
    f("tokensOut", r.tokensOut);
    f("cacheRead", r.cacheRead);
    f("cacheWrite", r.cacheWrite);
    f("linesAdded", r.linesAdded);
    f("linesRemoved", r.linesRemoved);
    f("cost", r.cost);
    f("editedFiles", r.editedFiles);
    f("minTs", r.minTs);
    f("maxTs", r.maxTs);
    f("perDay", r.perDay);
}

template <detail::RecordOf<ModelStat> Self, class F>
void forEachField(Self& r, F&& f) {
    f("model", r.model);
    f("name", r.name);
    f("messages", r.messages);
    f("tokensIn", r.tokensIn);
    f("tokensOut", r.tokensOut);
    f("cacheRead", r.cacheRead);
    f("cacheWrite", r.cacheWrite);
    f("cost", r.cost);
}

template <detail::RecordOf<Badge> Self, class F>
void forEachField(Self& r, F&& f) {
    f("id", r.id);
    f("emoji", r.emoji);
    f("label", r.label);
    f("desc", r.desc);
    f("earned", r.earned);
}

template <detail::RecordOf<Stats> Self, class F>
void forEachField(Self& r, F&& f) {
    f("since", r.since);
    f("until", r.until);
    f("daysSpan", r.daysSpan);
    f("logFiles", r.logFiles);
    f("prompts", r.prompts);
    f("assistantMessages", r.assistantMessages);
    f("tokensIn", r.tokensIn);
    f("tokensOut", r.tokensOut);
    f("cacheRead", r.cacheRead);
    f("cacheWrite", r.cacheWrite);
    f("linesAdded", r.linesAdded);
    f("linesRemoved", r.linesRemoved);
    f("filesEdited", r.filesEdited);
    f("cost", r.cost);
    f("sessions", r.sessions);
    f("weekLinesAdded", r.weekLinesAdded);
    f("weekCost", r.weekCost);
    f("weekSessions", r.weekSessions);
    f("todayLinesAdded", r.todayLinesAdded);
    f("todayCost", r.todayCost);
    f("codedToday", r.codedToday);
    f("weekTokens", r.weekTokens);
    f("todayTokens", r.todayTokens);
    f("activeDays", r.activeDays);
    f("streakLongest", r.streakLongest);
    f("streakCurrent", r.streakCurrent);
    f("byHour", r.byHour);
    f("models", r.models);
    f("topModel", r.topModel);
    f("crackedScore", r.crackedScore);
    f("percentile", r.percentile);
    f("badges", r.badges);
}

template <detail::RecordOf<CacheEntry> Self, class F>
void forEachField(Self& r, F&& f) {
    f("mtime", r.mtime);
    f("size", r.size);
    f("contribution", r.contribution);
}

}  // namespace tavrik
