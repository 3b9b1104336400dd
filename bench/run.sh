#!/usr/bin/env bash
# Builds the release preset, generates the benchmark log trees (or re-uses them) and prints
# the three figures the engine is held to:
#   - a build with no parse cache over about 1 GB of transcripts: throughput, one thread;
#   - a rebuild in which nothing changed, over 5,000 files: median time in a running process
#     (the application's case, the parse cache kept in memory), and the first rebuild of a
#     fresh process, which reads the cache file (the command line's case);
#   - the peak memory of the cold build against the largest log file + 64 MiB.
#
# Knobs (environment): SIZE_MB (1000) and FILES (2000) for the cold tree, WARM_SIZE_MB (500)
# and WARM_FILES (5000) for the rebuild tree, SEED (1), COLD_RUNS (3), WARM_RUNS (15),
# OUT (bench/out). Trees are kept in OUT and re-used while the generator's source and the
# parameters stay the same. MB is 10^6 bytes, MiB 2^20.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

size_mb=${SIZE_MB:-1000}
files=${FILES:-2000}
warm_size_mb=${WARM_SIZE_MB:-500}
warm_files=${WARM_FILES:-5000}
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
warm_tree=$(tree_for "$warm_size_mb" "$warm_files")

cache=$(mktemp -d "$out/cache.XXXXXX")
trap 'rm -rf -- "$cache"' EXIT

# Read every file once so the page cache holds the trees: the figures are about parsing,
# not about the disk.
for t in "$cold_tree" "$warm_tree"; do
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

# Each cold build runs in a process of its own, so its peak memory is its own.
for i in $(seq "$cold_runs"); do
    rm -rf -- "$cache/cold"
    run "cold build $i of $cold_runs, no parse cache: $cold_tree" \
        cold --home "$cold_tree" --cache "$cache/cold" --manifest "$cold_tree/tavrik-gen.json"
done
# The application builds again and again in one process: memory it keeps between builds
# shows here.
run "3 cold builds in one process: $cold_tree" \
    cold --home "$cold_tree" --cache "$cache/cold" --runs 3
run "priming the parse cache: $warm_tree" \
    cold --home "$warm_tree" --cache "$cache/warm" --manifest "$warm_tree/tavrik-gen.json"
run "no-change rebuild: $warm_tree" \
    warm --home "$warm_tree" --cache "$cache/warm" --runs "$warm_runs" \
    --manifest "$warm_tree/tavrik-gen.json"

field() {  # key, then RESULT lines on stdin -> the key's values, one a line
    tr ' ' '\n' | sed -n "s/^$1=//p"
}
med() {  # the median of numbers on stdin
    sort -g | awk '{v[NR] = $1} END {print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2)}'
}
colds=$(head -n "$cold_runs" "$cache/results")
repeated=$(sed -n "$((cold_runs + 1))p" "$cache/results")
warm=$(tail -n 1 "$cache/results")

echo
echo "== summary ($(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); MB = 10^6 bytes)"
awk -v b="$(echo "$colds" | field bytes | head -n 1)" -v f="$(echo "$colds" | field files | head -n 1)" \
    -v w="$(echo "$colds" | field wall_s | med)" -v c="$(echo "$colds" | field cpu_s | med)" \
    -v n="$cold_runs" 'BEGIN {
        printf "cold throughput:     %.0f MB/s (by CPU time %.0f MB/s), median of %d, over %.0f MB in %d files; target >= 1000\n",
            b / 1e6 / w, b / 1e6 / c, n, b / 1e6, f }'
awk -v w="$(echo "$warm" | field wall_s)" -v c="$(echo "$warm" | field cpu_s)" \
    -v fw="$(echo "$warm" | field first_wall_s)" -v fc="$(echo "$warm" | field first_cpu_s)" \
    -v f="$(echo "$warm" | field files)" -v n="$warm_runs" 'BEGIN {
        printf "no-change rebuild:   %.1f ms (CPU %.1f ms), median of %d in one process, over %d files; target <= 50\n",
            w * 1e3, c * 1e3, n - 1, f
        printf "  first in a fresh process (reads the cache file): %.1f ms (CPU %.1f ms)\n",
            fw * 1e3, fc * 1e3 }'
awk -v p="$(echo "$colds" | field peak_mib | sort -g | tail -n 1)" \
    -v r="$(echo "$repeated" | field peak_mib)" -v l="$(echo "$colds" | field largest | head -n 1)" 'BEGIN {
        limit = l / 1048576 + 64
        printf "peak memory (cold):  %.1f MiB; largest file %.1f MiB + 64 MiB = %.1f MiB: %s\n",
            p, l / 1048576, limit, (p <= limit ? "within" : "OVER")
        printf "  3 builds, 1 process: %.1f MiB (%s)\n", r, (r <= limit ? "within" : "OVER") }'
if [ "$status" -ne 0 ]; then
    echo "a check FAILED: see the reports above" >&2
fi
exit "$status"
