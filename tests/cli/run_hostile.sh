#!/usr/bin/env bash
# Feeds "--stats" hostile logs and damaged caches (a damage applies to both the parse cache and
# the fold cache): each case must exit 0 with finite figures in range, and the parse cache
# must be used on the next run (the cache file is then neither
# rewritten nor re-read into a different report). Runs in a copy of the fixture folder, UTC.
# usage: run_hostile.sh <tavrik> <fixture-folder> <case>
tavrik=$1 fixture=$2 case=$3
source "$(dirname "$0")/common.sh" "$fixture"
projects="$HOME/.claude/projects"
cache="$XDG_CACHE_HOME/Tavrik/parse-cache.json"
fold="$XDG_CACHE_HOME/Tavrik/fold-cache.json"

# Runs "--stats" and leaves the report, less its timing line, in $report.
stats() {
    run "$case" 0 --stats
    report=$(grep -v '^elapsedMs ' <<<"$out")
    ! grep -Eiq 'nan|inf' <<<"$report" || fail "non-finite figure: $report"
    [ "$(field score)" -ge 0 ] && [ "$(field score)" -le 99 ] || fail "score $(field score)"
}
field() { awk -v k="$1" '$1 == k {print $2}' <<<"$report"; }

# Runs twice more: the second run takes everything from the cache as the first left it.
cache_holds() {
    stats
    local first=$report inode
    inode=$(stat -c %i "$cache")
    stats
    same "$report" "$first"
    [ "$(stat -c %i "$cache")" = "$inode" ] || fail "the cache was not used"
}

line='{"type":"assistant","timestamp":"2025-01-11T10:00:00Z","message":{"model":"claude-opus-4-5","usage":{"output_tokens":OUT}}}'
case $case in
    huge-usage)
        # Sums that would reach +inf and -inf, and a NaN between them: those counts are unusable.
        mkdir -p "$projects/up" "$projects/down"
        printf '%s\n%s\n' "$line" "$line" | sed s/OUT/1e308/ >"$projects/up/a.jsonl"
        printf '%s\n%s\n' "$line" "$line" | sed s/OUT/-1e308/ >"$projects/down/b.jsonl"
        cache_holds
        same "$(field tokensOut)" 3000.0
        ;;
    beyond-two-to-the-64)
        # 20,000 replies of 10^15 - 1 tokens: a total near 2e19, past what JSON integers hold.
        awk -v l="${line/OUT/999999999999999}" 'BEGIN {for (i = 0; i < 20000; i++) print l}' \
            >"$projects/big.jsonl"
        cache_holds
        [[ "$(field tokensOut)" =~ ^1\.99999999999999[0-9]*e\+19$ ]] || fail "tokensOut $(field tokensOut)"
        ;;
    name-not-utf8)
        cp "$projects/-home-u-app/s1.jsonl" "$projects/name-"$'\xff\xfe'".jsonl"
        cache_holds
        same "$(field sessions)" 4
        ;;
    tampered-hour | oversized-cache)
        # An entry that cannot have come from its file is read again from the file, and a cache
        # too large to be one is rewritten.
        stats
        truth=$report
        for f in "$cache" "$fold"; do
            if [ "$case" = oversized-cache ]; then
                truncate -s 64G "$f"
            else
                before=$(cksum <"$f")
                sed -i -E 's/"byHour":\[[0-9]+/"byHour":[9223372036854775807/' "$f"
                [ "$(cksum <"$f")" != "$before" ] || fail "the edit did not apply to $f"
            fi
        done
        cache_holds
        same "$report" "$truth"
        [ "$(stat -c %s "$cache")" -lt 100000 ] || fail "the cache was not rewritten"
        ;;
    huge-line-*)
        # A line of 100 MB of NUL bytes under an address-space limit: with 600 MB the parser
        # cannot get the 1.4 GB it asks for such a line (huge-line-parser); with 250 MB the
        # line cannot even be held (huge-line-buffer). Either way only that line is lost.
        # AddressSanitizer's shadow needs more address space than any limit here allows.
        if nm -D "$tavrik" 2>/dev/null | grep -q __asan_init || ldd "$tavrik" | grep -q libasan; then
            echo "$case: skipped, AddressSanitizer builds cannot run under an address-space limit"
            exit 77
        fi
        truncate -s 100M "$projects/huge.jsonl"
        printf '\n{"type":"last-prompt"}\n' >>"$projects/huge.jsonl"
        case $case in huge-line-parser) ulimit -v 600000 ;; *) ulimit -v 250000 ;; esac
        stats
        same "$(field prompts)" 5
        ;;
    *) fail "unknown case" ;;
esac
