#!/usr/bin/env bash
# Runs tavrik in a copy of the fixture folder (its "home" as HOME, a fresh cache folder, UTC)
# twice, cold and then through the parse cache, and compares standard output and the exit
# status with a golden file. "@WORK@" in the arguments stands for the copy's path; the
# elapsed time and the upload's time stamp in the output are masked.
# usage: run_golden.sh <tavrik> <fixture-folder or -> <golden-file> [args...]
set -euo pipefail
tavrik=$1 fixture=$2 golden=$3
shift 3

config=${XDG_CONFIG_HOME:-}
source "$(dirname "$0")/common.sh" "$fixture"
[ -z "$config" ] || export XDG_CONFIG_HOME=$config

args=()
for a in "$@"; do
    args+=("${a//@WORK@/$work}")
done

for pass in cold warm; do
    status=0
    "$tavrik" "${args[@]}" > "$work/out" || status=$?
    sed -i -E -e 's/^elapsedMs [0-9]+\.[0-9]$/elapsedMs N/' \
        -e 's/^(  "last_synced" : )"[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z"/\1"<now>"/' \
        "$work/out"
    if [ "$status" -ne 0 ]; then
        echo "$pass run exited with $status" >&2
        exit 1
    fi
    diff -u "$golden" "$work/out" || { echo "$pass run differs from $golden" >&2; exit 1; }
done
