#!/usr/bin/env bash
# Builds the release preset, generates the benchmark log trees (or re-uses them) and prints
# the figures the engine is held to, all from the same run:
#   - a build with no parse cache over about 1 GB of transcripts, on one thread and on one per
#     available core (runs alternate), and the ratio of the two;
#   - over many small files (50,000 by default): a build with no parse cache, then a rebuild in
#     which nothing changed as the first build of a fresh process (the command line's case,
#     reading the fold cache), the median rebuild in a running process (the application's
#     case), and a fresh process's build after one file was touched (reading the parse cache);
#   - the peak memory of each against the largest log file x threads + 64 MiB.
#
# Knobs (environment): SIZE_MB (1000) and FILES (2000) for the cold tree, SMALL_SIZE_MB (1000)
# and SMALL_FILES (50000) for the tree of small files, SEED (1), COLD_RUNS (3), WARM_RUNS (15),
# OUT (bench/out). Trees are kept in OUT and re-used while the generator's source and the
# parameters stay the same. MB is 10^6 bytes, MiB 2^20.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

size_mb=${SIZE_MB:-1000}
files=${FILES:-2000}
small_size_mb=${SMALL_SIZE_MB:-1000}
small_files=${SMALL_FILES:-50000}
seed=${SEED:-1}
cold_runs=${COLD_RUNS:-3}
warm_runs=${WARM_RUNS:-15}
out=${OUT:-bench/out}

[ -f build/release/CMakeCache.txt ] || cmake --preset release >/dev/null
cmake --build build/release --target tavrik_gen_logs tavrik_bench | tail -n 1
gen=build/release/bench/tavrik_gen_logs
bench=build/release/bench/tavrik_bench

mkdir -p "$out"
# A tree is named after the generator's source, so a changed generator makes new trees.
gen_id=$(cat bench/LogGen.cpp bench/LogGen.h | sha256sum | cut -c1-10)

tree_for() {  # size_mb files -> folder of a complete tree
    local dir="$out/tree-$gen_id-${1}mb-${2}f-seed$seed"
    if [ ! -f "$dir/tavrik-gen.json" ]; then
        # An interrupted generation leaves no manifest: start that tree again.
        [ -d "$dir" ] && rm -rf -- "$dir"
        echo "generating $dir" >&2
        "$gen" --out "$dir" --size-mb "$1" --files "$2" --seed "$seed" >&2
    fi
    echo "$dir"
}

# Trees of an older generator are of no further use.
for old in "$out"/tree-*; do
    [ -d "$old" ] || continue
    case "$(basename "$old")" in
        tree-"$gen_id"-*) ;;
        *) echo "removing stale $old" >&2; rm -rf -- "$old" ;;
    esac
done

cold_tree=$(tree_for "$size_mb" "$files")
small_tree=$(tree_for "$small_size_mb" "$small_files")

cache=$(mktemp -d "$out/cache.XXXXXX")
trap 'rm -rf -- "$cache"' EXIT

# Read every file once so the page cache holds the trees: the figures are about parsing,
# not about the disk.
for t in "$cold_tree" "$small_tree"; do
    find "$t/.claude" "$t/.codex" -type f -name '*.jsonl' -exec cat {} + >/dev/null
done

status=0
run() {  # label, then tavrik_bench arguments; prints its report, keeps its RESULT line
    echo
    echo "== $1"
    shift
    local log
    log=$("$bench" "$@") || status=1
    echo "$log" | grep -v '^RESULT '
    echo "$log" | grep '^RESULT ' >>"$cache/results"
}

# Each cold build runs in a process of its own, so its peak memory is its own; one thread and
# all cores alternate, so both meet the same load.
for i in $(seq "$cold_runs"); do
    for threads in 1 all; do
        rm -rf -- "$cache/cold"
        TAVRIK_THREADS=${threads/all/} run "cold build $i of $cold_runs, $threads thread(s), no parse cache: $cold_tree" \
            cold --home "$cold_tree" --cache "$cache/cold" --manifest "$cold_tree/tavrik-gen.json"
    done
done
# The application builds again and again in one process: memory it keeps between builds
# shows here.
run "3 cold builds in one process: $cold_tree" \
    cold --home "$cold_tree" --cache "$cache/cold" --runs 3
run "cold build: $small_tree" \
    cold --home "$small_tree" --cache "$cache/small" --manifest "$small_tree/tavrik-gen.json"
run "no-change rebuild in a fresh process: $small_tree" \
    warm --home "$small_tree" --cache "$cache/small" --runs 1
run "no-change rebuilds in one process: $small_tree" \
    warm --home "$small_tree" --cache "$cache/small" --runs "$warm_runs" \
    --manifest "$small_tree/tavrik-gen.json"
# One file touched: the fold cache no longer matches, and the build loads the parse cache.
touch "$(find "$small_tree/.claude" -name '*.jsonl' -print -quit)"
run "one file touched, fresh process: $small_tree" \
    warm --home "$small_tree" --cache "$cache/small" --runs 1

field() {  # key, then RESULT lines on stdin -> the key's values, one a line
    tr ' ' '\n' | sed -n "s/^$1=//p"
}
med() {  # the median of numbers on stdin
    sort -g | awk '{v[NR] = $1} END {print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2)}'
}
colds=$(head -n "$((2 * cold_runs))" "$cache/results")
one=$(echo "$colds" | grep ' threads=1 ')
all=$(echo "$colds" | grep -v ' threads=1 ' || true)
[ -n "$all" ] || all=$one  # a process bound to one core
repeated=$(sed -n "$((2 * cold_runs + 1))p" "$cache/results")
small=$(sed -n "$((2 * cold_runs + 2))p" "$cache/results")
fresh=$(sed -n "$((2 * cold_runs + 3))p" "$cache/results")
warm=$(sed -n "$((2 * cold_runs + 4))p" "$cache/results")
touched=$(tail -n 1 "$cache/results")

echo
echo "== summary ($(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); MB = 10^6 bytes)"
cold_line() {  # label, RESULT lines of its runs
    awk -v label="$1" -v b="$(echo "$2" | field bytes | head -n 1)" \
        -v f="$(echo "$2" | field files | head -n 1)" -v t="$(echo "$2" | field threads | head -n 1)" \
        -v w="$(echo "$2" | field wall_s | med)" -v c="$(echo "$2" | field cpu_s | med)" \
        -v p="$(echo "$2" | field peak_mib | sort -g | tail -n 1)" -v l="$(echo "$2" | field largest | head -n 1)" \
        -v n="$cold_runs" 'BEGIN {
        limit = l / 1048576 * t + 64
        printf "%s %d thread(s): %.3f s, %.0f MB/s (CPU %.3f s, %.0f MB/s), median of %d over %.0f MB in %d files; peak %.1f MiB, limit %.1f MiB: %s\n",
            label, t, w, b / 1e6 / w, c, b / 1e6 / c, n, b / 1e6, f, p, limit, (p <= limit ? "within" : "OVER") }'
}
cold_line "cold build," "$one"
cold_line "cold build," "$all"
awk -v w1="$(echo "$one" | field wall_s | med)" -v wn="$(echo "$all" | field wall_s | med)" \
    -v c1="$(echo "$one" | field cpu_s | med)" -v bn="$(echo "$all" | field busiest_s | med)" 'BEGIN {
    printf "  all cores / one core: %.2f by wall time, %.2f by the busiest thread'"'"'s CPU time (what idle cores would give); target <= 0.6 on two cores\n",
        wn / w1, bn / c1 }'
awk -v p="$(echo "$repeated" | field peak_mib)" -v t="$(echo "$repeated" | field threads)" \
    -v l="$(echo "$repeated" | field largest)" 'BEGIN {
    limit = l / 1048576 * t + 64
    printf "  3 builds, 1 process: peak %.1f MiB (%s)\n", p, (p <= limit ? "within" : "OVER") }'
awk -v w="$(echo "$small" | field wall_s)" -v c="$(echo "$small" | field cpu_s)" \
    -v p="$(echo "$small" | field peak_mib)" -v f="$(echo "$small" | field files)" \
    -v b="$(echo "$small" | field bytes)" -v t="$(echo "$small" | field threads)" 'BEGIN {
    printf "small files, cold, %d thread(s): %.3f s (CPU %.3f s) over %d files, %.0f MB; peak %.1f MiB\n",
        t, w, c, f, b / 1e6, p }'
awk -v w="$(echo "$fresh" | field first_wall_s)" -v c="$(echo "$fresh" | field first_cpu_s)" \
    -v p="$(echo "$fresh" | field peak_mib)" 'BEGIN {
    printf "  no change, fresh process (reads the fold cache): %.1f ms (CPU %.1f ms), peak %.1f MiB; targets <= 150 ms, <= 128 MB (122 MiB)\n",
        w * 1e3, c * 1e3, p }'
awk -v w="$(echo "$warm" | field wall_s)" -v c="$(echo "$warm" | field cpu_s)" -v n="$warm_runs" 'BEGIN {
    printf "  no change, running process: %.1f ms (CPU %.1f ms), median of %d\n", w * 1e3, c * 1e3, n - 1 }'
awk -v w="$(echo "$touched" | field first_wall_s)" -v c="$(echo "$touched" | field first_cpu_s)" \
    -v p="$(echo "$touched" | field peak_mib)" 'BEGIN {
    printf "  one file touched, fresh process (reads the parse cache, reads the file again): %.1f ms (CPU %.1f ms), peak %.1f MiB\n",
        w * 1e3, c * 1e3, p }'
if [ "$status" -ne 0 ]; then
    echo "a check FAILED: see the reports above" >&2
fi
exit "$status"
