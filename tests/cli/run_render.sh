#!/usr/bin/env bash
# Runs one render mode of tavrik in a fresh folder (its own HOME and settings, no display) and
# checks the exit status, the one line printed and the size of the PNG written.
# "@WORK@" in the line, the file and the arguments stands for that folder.
# usage: run_render.sh <tavrik> <expected-line> <png-file or -> <width>x<height> [args...]
set -euo pipefail
tavrik=$1 expected=$2 png=$3 size=$4
shift 4

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" \
    XDG_RUNTIME_DIR="$work/runtime" TZ=UTC
mkdir -m 700 "$work/runtime"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

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
[ -f "$png" ] || { echo "no file at $png" >&2; exit 1; }
magic=$(od -An -tx1 -N8 "$png" | tr -d ' \n')
[ "$magic" = 89504e470d0a1a0a ] || { echo "$png is not a PNG" >&2; exit 1; }
# IHDR: width and height as big-endian 32-bit integers at bytes 16 and 20.
read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{ print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }')
[ "${w}x${h}" = "$size" ] || { echo "$png is ${w}x${h}, expected $size" >&2; exit 1; }
