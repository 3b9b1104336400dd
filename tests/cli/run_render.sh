#!/usr/bin/env bash
# Runs one render mode of tavrik in a fresh folder (its own HOME and settings, no display) and
# checks the exit status, the one line printed and the size of the PNG written.
# "@WORK@" in the line, the file and the arguments stands for that folder.
# usage: run_render.sh <tavrik> <expected-line> <png-file or -> <width>x<height> [args...]
set -euo pipefail
tavrik=$1 expected=$2 png=$3 size=$4
shift 4

source "$(dirname "$0")/common.sh" -

expected=${expected//@WORK@/$work}
png=${png//@WORK@/$work}
args=()
for a in "$@"; do
    args+=("${a//@WORK@/$work}")
done

status=0
(cd "$work" && "$tavrik" "${args[@]}") > "$work/out" 2> "$work/err" || status=$?
if [ "$status" -ne 0 ]; then
    echo "exited with $status" >&2
    cat "$work/err" >&2
    exit 1
fi
printf '%s\n' "$expected" | diff -u - "$work/out" || { echo "unexpected output" >&2; exit 1; }

[ "$png" = - ] && exit 0
case $png in /*) ;; *) png="$work/$png" ;; esac
[ "$(png_size "$png")" = "$size" ] || { echo "$png is not a $size PNG" >&2; exit 1; }
