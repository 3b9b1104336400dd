#!/usr/bin/env bash
# The reports for scripts and the places logs are read from, through the real program: the
# agents' relocation variables, "--json", "--daily" and the kept history of vanished logs.
# Runs in a copy of the fixture folder with fresh cache, settings and data folders, UTC.
# usage: run_modes.sh <tavrik> <fixture-folder>
tavrik=$(realpath "$1") fixture=$(realpath "$2")
source "$(dirname "$0")/common.sh" "$fixture"
cd "$work"
session=$HOME/.claude/projects/-home-u-app/s2.jsonl
history=$XDG_DATA_HOME/Tavrik/history.json

# tavrik <args...>: standard output without the timing line; standard error added to $work/err.
tavrik() { "$tavrik" "$@" 2>>"$work/err" | grep -v '^elapsedMs '; }
report() { tavrik --stats; tavrik --codex; }
keep() { printf '[General]\ntavrik.keepHistory=%s\n' "$1" >"$XDG_CONFIG_HOME/Tavrik/Tavrik.conf"; }
full=$(report)

name=relocated
mkdir -p a b/claude/projects/-home-u-app "$XDG_CONFIG_HOME/Tavrik"
mv "$HOME/.codex" codex
mv "$HOME/.claude" a/claude
mv "a/claude/projects/-home-u-app/s2.jsonl" b/claude/projects/-home-u-app/
same "$(CLAUDE_CONFIG_DIR="$work/a/claude,,b/claude" CODEX_HOME=codex report)" "$full"
same "$(tavrik --stats | grep '^sessions')" "sessions 0"
same "$(CLAUDE_CONFIG_DIR=b/claude tavrik --stats-dir a/claude/projects --stats)" \
    "$(tavrik --stats-dir a/claude/projects --stats)"
mv a/claude "$HOME/.claude"
mv b/claude/projects/-home-u-app/s2.jsonl "$session"
mv codex "$HOME/.codex"

name=json
same "$(tavrik --stats --json | jq -r '"score \(.crackedScore)", "sessions \(.sessions)"')" \
    "$(tavrik --stats | grep -E '^(score|sessions) ')"
same "$(tavrik --codex --json | jq -r '"codex sessions \(.sessions)", "codex cost \(.cost)"')" \
    "$(tavrik --codex | grep -E '^codex (sessions|cost) ')"

name=daily
# "--days N" keeps the last N calendar days, today included.
n=$(($(date -u +%s) / 86400 - $(date -u -d 2025-01-11 +%s) / 86400 + 1))
same "$(tavrik --daily --json --days $n | jq -c 'map(.cost |= (. * 1e9 | round))')" \
    '[{"date":"2025-01-11","linesAdded":3,"tokens":400,"cost":4800000},{"date":"2025-01-12","linesAdded":2,"tokens":1700,"cost":8750000}]'
same "$(tavrik --daily --json --days $((n - 1)) | jq -r 'map(.date) | join(" ")')" "2025-01-12"
same "$(tavrik --daily --json | jq length)" 3
for bad in 0 -1 x 1.5 ""; do
    run "days-$bad" 2 --daily --days "$bad"
done
same "$(tavrik --daily --days $n)" "date        lines  tokens   cost
2025-01-11      3     400  \$0.00
2025-01-12      2    1.7k  \$0.01
total           5    2.1k  \$0.01"

name=history
rm "$session"
without=$(report)
[ "$without" != "$full" ] && [ ! -e "$history" ] || fail "history kept while off"
cp "$fixture${session#"$work"}" "$session"
keep true
same "$(report)" "$full"
rm "$session"
same "$(report)" "$full"
rm -rf "$XDG_CACHE_HOME"
same "$(report)" "$full"
same "$(stat -c %a "$history")" 600
keep false
same "$(report)" "$without"
keep true
echo '{"version":1,"sessions":{"/x":' >"$history"
: >"$work/err"
same "$(report)" "$without"
grep -q 'damaged' "$work/err" || fail "no warning: $(cat "$work/err")"
same "$(cat "$history".bad-*)" '{"version":1,"sessions":{"/x":'
