#!/usr/bin/env bash
# The command line as a newcomer meets it, through the real program with an empty home, fresh
# folders and no display: help, version, mistyped options, no display, no logs, no server, and
# the modes that draw a PNG file without a display.
# usage: run_args.sh <tavrik> <version>
tavrik=$1 version=$2
source "$(dirname "$0")/common.sh" -
cd "$work/run"
ulimit -c 0

for flag in --help -h; do
    run "$flag" 0 "$flag"
    grep -q '^Usage: tavrik' <<<"$out" || fail "no usage line"
    same "$err" ""
done
run version 0 --version
same "$out" "tavrik $version"
run unknown-option 2 --stast
same "$out" ""
same "$err" "tavrik: unknown option '--stast'
Try 'tavrik --help' for more information."
run stray-argument 2 --stats extra
same "$(head -n 1 <<<"$err")" "tavrik: unknown option 'extra'"
run values-are-not-options 0 --stats-dir --weird --stats

for display in unset :987; do
    [ "$display" = unset ] || export DISPLAY=$display
    run "no-display-$display" 1
    [[ "$err" == *"needs an X11 or Wayland session"*"tavrik --stats"* ]] || fail "said '$err'"
    [ "$(grep -c '' <<<"$err")" -eq 1 ] || fail "more than one line on standard error"
    unset DISPLAY
done

run stats-without-logs 0 --stats
[ "$(grep -c '' <<<"$err")" -eq 1 ] || fail "more than one line on standard error"
[[ "$err" == *"$HOME/.claude/projects"*"$HOME/.codex/sessions"* ]] || fail "said '$err'"
run codex-without-logs 0 --codex
[[ "$err" == *"$HOME/.codex/sessions"* ]] || fail "said '$err'"

for mode in --sync-dry-run --board; do
    DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/tavrik-bus run "$mode-without-server" 1 "$mode"
    same "$out$err" "No leaderboard server is configured"
done

# The drawing modes run offscreen whatever platform is asked for. A path is the next element,
# even one that looks like an option; the notch sheets announce a write that failed.
export QT_QPA_PLATFORM=xcb
render() {
    run "$3" 0 "${@:3}"
    same "$out" "wrote $1 to ${4:-/tmp/tavrik-${3#--}.png}"
    [ "$(png_size "${4:-/tmp/tavrik-${3#--}.png}")" = "$2" ] || fail "not a $2 PNG"
}
render "sprite filmstrip (6 sprites x 4 frames)" 652x334 --sprites strip.png
render "notch silhouette + 4x corner zoom" 440x350 --notchview "$work/view.png"
render "notch silhouette + 4x corner zoom" 440x350 --notchview
render "notch silhouette + 8x corner zoom" 440x470 --notchcorner --codex
run notchview-unwritable 0 --notchview "$work/missing/view.png"
same "$out" "wrote notch silhouette + 4x corner zoom to $work/missing/view.png"

# The card is its own 1200 x 630 pixel space: the display's scale changes nothing. A failed
# write is reported as such, never announced.
for scale in 1 1.5 2; do
    QT_SCALE_FACTOR=$scale run "card-$scale" 0 --card "card-$scale.png"
    same "$out" "wrote $(stat -c %s "card-$scale.png") bytes to card-$scale.png"
    cmp -s card-1.png "card-$scale.png" || fail "cards differ"
done
[ "$(png_size card-1.png)" = 1200x630 ] || fail "not a 1200 x 630 PNG"
run stats-wins-over-card 0 --card --stats
[[ "$out" == elapsedMs* ]] || fail "printed: $out"
mkdir taken
for path in "$work/missing/card.png" taken; do
    run "card-to-$path" 1 --card "$path"
    [[ "$out$err" == "could not write $path: "* ]] || fail "printed '$out', said '$err'"
done
