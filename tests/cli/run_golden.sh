#!/usr/bin/env bash
# Runs tavrik in a copy of the fixture folder twice, cold and then through the parse cache, and
# compares standard output and the exit status with a golden file. "@WORK@" in the arguments
# stands for the copy's path; the elapsed time and the upload's time stamp are masked.
# usage: run_golden.sh <tavrik> <fixture-folder or -> <golden-file> [args...]
tavrik=$1 fixture=$2 golden=$3
shift 3
source "$(dirname "$0")/common.sh" "$fixture"

for pass in cold warm; do
    run "$pass" 0 "${@//@WORK@/$work}"
    same "$(sed -E -e 's/^elapsedMs [0-9]+\.[0-9]$/elapsedMs N/' \
        -e 's/^(  "last_synced" : )"[0-9-]{10}T[0-9:]{8}Z"/\1"<now>"/' <<<"$out")" \
        "$(cat "$golden")"
done
