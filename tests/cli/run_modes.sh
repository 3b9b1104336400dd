#!/usr/bin/env bash
# The reports for scripts and the places logs are read from, through the real program: the
# agents' relocation variables, "--json", "--daily" and the kept history of vanished logs.
# Runs in a copy of the fixture folder with fresh cache, settings and data folders, UTC.
# usage: run_modes.sh <tavrik> <fixture-folder>
set -uo pipefail
tavrik=$(realpath "$1") fixture=$(realpath "$2")

source "$(dirname "$0")/common.sh" "$fixture"
cd "$work"
projects=$HOME/.claude/projects
history=$XDG_DATA_HOME/Tavrik/history.json


# tavrik <args...>: standard output without the timing line; standard error added to $work/err.
tavrik() { "$tavrik" "$@" 2>>"$work/err" | grep -v '^elapsedMs '; }
report() { tavrik --stats; tavrik --codex; }
same() { [ "$1" = "$2" ] || fail "$(diff <(echo "$2") <(echo "$1") | head -n 6)"; }
keep() { mkdir -p "$XDG_CONFIG_HOME/Tavrik"; printf '[General]\ntavrik.keepHistory=%s\n' "$1" \
    >"$XDG_CONFIG_HOME/Tavrik/Tavrik.conf"; }

full=$(report)

name=relocated
mkdir -p a b
mv "$HOME/.codex" codex
mv "$HOME/.claude" a/claude
mkdir -p b/claude/projects/-home-u-app
mv a/claude/projects/-home-u-app/s2.jsonl b/claude/projects/-home-u-app/
same "$(CLAUDE_CONFIG_DIR="$work/a/claude,,b/claude" CODEX_HOME=codex report)" "$full"
[ "$(tavrik --stats | grep '^sessions')" = "sessions 0" ] || fail "the old folders are still read"
same "$(CLAUDE_CONFIG_DIR=b/claude tavrik --stats-dir a/claude/projects --stats)" \
    "$(tavrik --stats-dir a/claude/projects --stats)"
mv a/claude "$HOME/.claude"
mv b/claude/projects/-home-u-app/s2.jsonl "$projects/-home-u-app/"
mv codex "$HOME/.codex"

name=stats-json
text=$(tavrik --stats)
json=$(tavrik --stats --json)
[ "$(grep -c '' <<<"$json")" -eq 1 ] || fail "not one line"
from_json=$(jq -r '"score \(.crackedScore)", "cost \(.cost)",
    "linesAdded \(.linesAdded) linesRemoved \(.linesRemoved) total \(.linesAdded + .linesRemoved)",
    "sessions \(.sessions)",
    "streakLongest \(.streakLongest) current \(.streakCurrent) activeDays \(.activeDays)",
    "topModel \(.topModel)", "percentile \(.percentile)",
    "since \(.since) until \(.until) daysSpan \(.daysSpan)", "prompts \(.prompts)"' <<<"$json") ||
    fail "does not parse: $json"
same "$(grep -E '^(score|cost|linesAdded|sessions|streakLongest|topModel|percentile|since|prompts) ' \
    <<<"$text")" "$from_json"

name=codex-json
json=$(tavrik --codex --json)
same "$(jq -r '"codex sessions \(.sessions)", "codex cost \(.cost)",
    "codex linesAdded \(.linesAdded) linesRemoved \(.linesRemoved)"' <<<"$json")" \
    "$(tavrik --codex | grep -E '^codex (sessions|cost|linesAdded) ')"

name=daily-json
# The days and sums of the day buckets, folded from the parse cache the build left.
buckets=$(jq -c '[.entries[].contribution.perDay | to_entries[]] | group_by(.key) | map({date:
    .[0].key, linesAdded: (map(.value.linesAdded) | add), tokens: (map(.value.tokens) | add),
    cost: (map(.value.cost) | add * 1e9 | round)})' "$XDG_CACHE_HOME/Tavrik/parse-cache.json")
daily=$(tavrik --daily --json | jq -c 'map(.cost |= (. * 1e9 | round))')
same "$daily" "$buckets"
[ "$(jq length <<<"$buckets")" -eq 3 ] || fail "the fixture has three days: $buckets"
# "--days N" keeps the last N calendar days, today included.
n=$(($(date -u +%s) / 86400 - $(date -u -d 2025-01-11 +%s) / 86400 + 1))
same "$(tavrik --daily --json --days $n | jq -r 'map(.date) | join(" ")')" "2025-01-11 2025-01-12"
same "$(tavrik --daily --json --days $((n - 1)) | jq -r 'map(.date) | join(" ")')" "2025-01-12"
for bad in 0 -1 x 1.5 ""; do
    "$tavrik" --daily --days "$bad" >/dev/null 2>&1
    [ $? -eq 2 ] || fail "--days '$bad' accepted"
done

name=daily-table
same "$(tavrik --daily --days $n)" "date        lines  tokens   cost
2025-01-11      3     400  \$0.00
2025-01-12      2    1.7k  \$0.01
total           5    2.1k  \$0.01"
same "$(tavrik --daily)" "date   lines  tokens   cost
total      0       0  \$0.00"

name=history-off-keeps-nothing
rm "$projects/-home-u-app/s2.jsonl"
without=$(report)
[ "$without" != "$full" ] || fail "deleting a session changed nothing"
[ ! -e "$history" ] || fail "history written while off"
cp "$fixture/home/.claude/projects/-home-u-app/s2.jsonl" "$projects/-home-u-app/"

name=history-on
keep true
same "$(report)" "$full"
rm "$projects/-home-u-app/s2.jsonl"
for pass in rebuild again cleared-cache; do
    [ "$pass" != cleared-cache ] || rm -rf "$XDG_CACHE_HOME"
    same "$(report)" "$full"
done
[ "$(stat -c %a "$history")" = 600 ] || fail "history mode $(stat -c %a "$history")"
# Files still in place but not read by this run (other folders) are not kept.
mkdir -p none
same "$(CLAUDE_CONFIG_DIR=none tavrik --stats | grep '^sessions')" "sessions 2"
same "$(jq -r '.sessions | keys | join(" ")' "$history")" "$projects/-home-u-app/s2.jsonl"
cp "$fixture/home/.claude/projects/-home-u-app/s2.jsonl" "$projects/-home-u-app/"
same "$(report)" "$full"
same "$(tavrik --daily --json --days $n | jq -r 'map(.linesAdded) | add')" 5

name=history-off-again
rm "$projects/-home-u-app/s2.jsonl"
tavrik --stats >/dev/null
keep false
same "$(report)" "$without"

name=history-damaged
keep true
echo '{"version":1,"sessions":{"/x":' >"$history"
: >"$work/err"
same "$(report)" "$without"
grep -q 'damaged' "$work/err" || fail "no warning: $(cat "$work/err")"
same "$(cat "$history".bad-*)" '{"version":1,"sessions":{"/x":'

finish
echo "all cases passed"
