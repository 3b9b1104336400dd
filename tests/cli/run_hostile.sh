#!/usr/bin/env bash
# Feeds "--stats" hostile logs and damaged caches (a damage applies to both the parse cache and
# the fold cache): each case must exit 0 with finite figures in range, and the parse cache
# must be used on the next run (the cache file is then neither
# rewritten nor re-read into a different report). Runs in a copy of the fixture folder, UTC.
# usage: run_hostile.sh <tavrik> <fixture-folder> <case>
set -euo pipefail
tavrik=$1 fixture=$2 case=$3

source "$(dirname "$0")/common.sh" "$fixture"
projects="$HOME/.claude/projects"
cache="$XDG_CACHE_HOME/Tavrik/parse-cache.json"
fold="$XDG_CACHE_HOME/Tavrik/fold-cache.json"

fail() { echo "$case: $*" >&2; exit 1; }

# Runs "--stats" and leaves the report, less its timing line, in $report.
stats() {
    local status=0
    "$tavrik" --stats >"$work/out" 2>"$work/err" || status=$?
    [ "$status" -eq 0 ] || fail "exited with $status: $(cat "$work/err")"
    report=$(grep -v '^elapsedMs ' "$work/out")
    ! grep -Eiq 'nan|inf' <<<"$report" || fail "non-finite figure: $report"
    local score
    score=$(awk '$1 == "score" {print $2}' <<<"$report")
    [ "$score" -ge 0 ] && [ "$score" -le 99 ] || fail "score $score"
}

# Runs twice more and requires the second run to take everything from the cache as the first
# left it: same report, cache file not replaced.
cache_holds() {
    stats
    local first=$report inode
    inode=$(stat -c %i "$cache")
    stats
    [ "$report" = "$first" ] || fail "cached run differs: $report"
    [ "$(stat -c %i "$cache")" = "$inode" ] || fail "the cache was not used"
}

field() { awk -v k="$1" '$1 == k {print $2}' <<<"$report"; }

# Skips where memory limits cannot be set: under AddressSanitizer, whose shadow needs more
# address space than any limit here allows.
need_limits() {
    if nm -D "$tavrik" 2>/dev/null | grep -q __asan_init || ldd "$tavrik" | grep -q libasan; then
        echo "$case: skipped, AddressSanitizer builds cannot run under an address-space limit"
        exit 77
    fi
}

line='{"type":"assistant","timestamp":"2025-01-11T10:00:00Z","message":{"model":"claude-opus-4-5","usage":{"output_tokens":OUT}}}'

case $case in
    huge-usage)
        # Sums that would reach +inf and -inf, and a NaN between them: those counts are unusable.
        for f in up down; do mkdir -p "$projects/$f"; done
        printf '%s\n%s\n' "$line" "$line" | sed s/OUT/1e308/ >"$projects/up/a.jsonl"
        printf '%s\n%s\n' "$line" "$line" | sed s/OUT/-1e308/ >"$projects/down/b.jsonl"
        cache_holds
        [ "$(field tokensOut)" = 3000.0 ] || fail "tokensOut $(field tokensOut)"
        ;;
    beyond-two-to-the-64)
        # 20,000 replies of 10^15 - 1 tokens: a total near 2e19, past what JSON integers hold,
        # whose shortest form is all digits.
        awk -v line="$(sed s/OUT/999999999999999/ <<<"$line")" \
            'BEGIN {for (i = 0; i < 20000; i++) print line}' >"$projects/big.jsonl"
        cache_holds
        [[ "$(field tokensOut)" =~ ^1\.99999999999999[0-9]*e\+19$ ]] || fail "tokensOut $(field tokensOut)"
        ;;
    name-not-utf8)
        cp "$projects/-home-u-app/s1.jsonl" "$projects/name-"$'\xff\xfe'".jsonl"
        cache_holds
        [ "$(field sessions)" = 4 ] || fail "sessions $(field sessions)"
        ;;
    symlinked-transcript)
        ln -s -- "$projects/-home-u-app/s1.jsonl" "$projects/alias.jsonl"
        stats
        [ "$(field sessions)" = 3 ] && [ "$(field prompts)" = 4 ] || fail "counted twice: $report"
        ;;
    tampered-*)
        # An entry that cannot have come from its file is read again from the file.
        stats
        truth=$report
        case $case in
            tampered-huge-count) edit='s/"prompts":[0-9]+/"prompts":9223372036854775807/' ;;
            tampered-negative-count) edit='s/"linesAdded":[0-9]+/"linesAdded":-5/' ;;
            tampered-huge-figure) edit='s/"tokensOut":[0-9.e+]+/"tokensOut":1e300/' ;;
            tampered-hour) edit='s/"byHour":\[[0-9]+/"byHour":[9223372036854775807/' ;;
            tampered-instant) edit='s/"minTs":[0-9.e+]+/"minTs":-1e300/' ;;
        esac
        for f in "$cache" "$fold"; do
            before=$(cksum <"$f")
            sed -i -E "$edit" "$f"
            [ "$(cksum <"$f")" != "$before" ] || fail "the edit did not apply to $f"
        done
        cache_holds
        [ "$report" = "$truth" ] || fail "believed the edit: $report"
        ;;
    oversized-cache)
        stats
        truth=$report
        truncate -s 64G "$cache" "$fold"
        cache_holds
        [ "$report" = "$truth" ] || fail "report changed: $report"
        [ "$(stat -c %s "$cache")" -lt 100000 ] || fail "the cache was not rewritten"
        ;;
    huge-line-*)
        # A line of 100 MB of NUL bytes under an address-space limit: with 600 MB the parser
        # cannot get the 1.4 GB it asks for such a line (huge-line-parser); with 250 MB the
        # line cannot even be held (huge-line-buffer). Either way only that line is lost.
        need_limits
        truncate -s 100M "$projects/huge.jsonl"
        printf '\n{"type":"last-prompt"}\n' >>"$projects/huge.jsonl"
        limit=600000
        [ "$case" = huge-line-buffer ] && limit=250000
        ulimit -v "$limit"
        stats
        [ "$(field prompts)" = 5 ] || fail "prompts $(field prompts)"
        ;;
    *)
        fail "unknown case"
        ;;
esac
