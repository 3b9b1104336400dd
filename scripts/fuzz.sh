#!/usr/bin/env bash
# Fuzzes the engine: builds the fuzz targets (preset "fuzz": clang, libFuzzer, AddressSanitizer,
# UBSan) and runs each for SECONDS (default 60), growing a corpus kept in build/fuzz/corpus
# from the seeds in tests/fuzz/corpus. Prints executions and rate per target; stops at the
# first report, leaving the crashing input in build/fuzz/crashes.
# usage: scripts/fuzz.sh [SECONDS]
#        scripts/fuzz.sh --run <target> <seed-folder> <seconds> [corpus-folder]   (one target)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# Runs one target; prints "<name>: <executions> executions, <rate>/s".
run_one() {
    local target=$1 seeds=$2 seconds=$3 corpus=${4:-}
    local name log status=0
    name=$(basename "$target")
    [ -n "$corpus" ] || { corpus=$(mktemp -d); trap 'rm -rf "$corpus"' RETURN; }
    mkdir -p "$corpus" build/fuzz/crashes
    log=$(mktemp)
    # Allocation failures come back as null, as without the sanitizer: the engine handles them.
    ASAN_OPTIONS=allocator_may_return_null=1 \
        "$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=3072 -print_final_stats=1 \
        -artifact_prefix="$PWD/build/fuzz/crashes/$name-" "$corpus" "$seeds" >"$log" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$log" >&2
        rm -f "$log"
        echo "$name: report, status $status" >&2
        return 1
    fi
    awk -v name="$name" '/stat::number_of_executed_units/ {n = $2} /stat::average_exec_per_sec/ {r = $2}
        END {printf "%s: %d executions, %d/s\n", name, n, r}' "$log"
    rm -f "$log"
}

if [ "${1:-}" = --run ]; then
    shift
    run_one "$@"
    exit
fi

seconds=${1:-60}
command -v clang++ >/dev/null || { echo "fuzz: clang++ is not installed (scripts/setup.sh)" >&2; exit 1; }
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
for target in build/fuzz/tests/fuzz/fuzz_*; do
    name=${target##*/fuzz_}
    run_one "$target" "tests/fuzz/corpus/$name" "$seconds" "build/fuzz/corpus/$name"
done
