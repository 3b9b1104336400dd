#!/usr/bin/env bash
# Checks the "--card" mode as a program: runs tavrik with the fixture folder's "home" as HOME,
# fresh cache, settings and runtime folders, no display and a platform that would need one,
# inside an empty working folder. The case name selects the arguments and the checks.
# usage: run_card.sh <tavrik> <fixture-folder> <case>
set -euo pipefail
tavrik=$1 fixture=$2 case=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -a "$fixture/." "$work/"
mkdir -p "$work/run" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
export HOME="$work/home" XDG_CACHE_HOME="$work/cache" XDG_CONFIG_HOME="$work/config" \
    XDG_RUNTIME_DIR="$work/runtime" TZ=UTC QT_QPA_PLATFORM=xcb
unset DISPLAY WAYLAND_DISPLAY
cd "$work/run"

fail() { echo "$case: $*" >&2; exit 1; }

# Checks that $1 is a PNG of 1200 x 630 pixels.
check_png() {
    [ -f "$1" ] || fail "no file at $1"
    [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$1 is not a PNG"
    read -r -a size <<<"$(od -An -tu1 -j16 -N8 "$1")"
    local w=$(((size[0] << 24) | (size[1] << 16) | (size[2] << 8) | size[3]))
    local h=$(((size[4] << 24) | (size[5] << 16) | (size[6] << 8) | size[7]))
    [ "$w" -eq 1200 ] && [ "$h" -eq 630 ] || fail "$1 is $w x $h"
}

# Runs tavrik and expects the exit status $1 (default 0); leaves stdout in $out, stderr in $err.
run_expect() {
    local want=$1
    shift
    status=0
    "$tavrik" "$@" >"$work/out" 2>"$work/err" || status=$?
    out=$(cat "$work/out")
    err=$(cat "$work/err")
    [ "$status" -eq "$want" ] || fail "exited with $status, not $want: $err"
}
run() { run_expect 0 "$@"; }

case $case in
    path)
        run --card out.png
        check_png out.png
        [ "$out" = "wrote $(stat -c %s out.png) bytes to out.png" ] || fail "printed: $out"
        ;;
    default-path)
        run --card
        [[ "$out" =~ ^wrote\ [0-9]+\ bytes\ to\ /tmp/tavrik-card.png$ ]] || fail "printed: $out"
        check_png /tmp/tavrik-card.png
        ;;
    next-option-is-the-path)
        run --card --codex
        check_png ./--codex
        [[ "$out" =~ ^wrote\ [0-9]+\ bytes\ to\ --codex$ ]] || fail "printed: $out"
        ;;
    stats-wins)
        run --card --stats
        [[ "$out" == elapsedMs* ]] || fail "printed: $out"
        [ ! -e ./--stats ] || fail "wrote a card"
        ;;
    unwritable-path)
        # Reported as a failure, never announced as written.
        run_expect 1 --card "$work/missing-folder/card.png"
        [ -z "$out" ] || fail "printed: $out"
        [[ "$err" == "could not write $work/missing-folder/card.png: "* ]] || fail "said: $err"
        ;;
    path-is-a-folder)
        mkdir taken
        run_expect 1 --card taken
        [ -z "$out" ] || fail "printed: $out"
        [[ "$err" == "could not write taken: "* ]] || fail "said: $err"
        ;;
    any-scale)
        # The card is its own 1200 x 630 pixel space: the display's scale changes nothing.
        for scale in 1 1.5 2; do
            QT_SCALE_FACTOR=$scale run --card "card-$scale.png"
        done
        cmp -s card-1.png card-1.5.png && cmp -s card-1.png card-2.png || fail "cards differ"
        ;;
    *)
        fail "unknown case"
        ;;
esac
