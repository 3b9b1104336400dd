#!/usr/bin/env bash
# Runs a test program against a private Xvfb server with a compositing manager (so that
# translucent windows show what lies below them), then stops both. Exits 77, which CTest
# reports as skipped, when Xvfb or xdotool is missing.
# usage: run_xvfb.sh <program> [args...]
set -euo pipefail

for tool in Xvfb xdotool; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "$tool not found: skipping the overlay test on a real X server (scripts/setup.sh installs it)"
        exit 77
    fi
done

work=$(mktemp -d)
xvfb_pid="" comp_pid=""
cleanup() {
    [ -z "$comp_pid" ] || kill "$comp_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number once it accepts connections.
mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/displayfd" 2>"$work/xvfb.log" &
xvfb_pid=$!
if ! read -r -t 20 display <"$work/displayfd"; then
    echo "Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$display"
export QT_QPA_PLATFORM=xcb

if command -v xcompmgr >/dev/null 2>&1; then
    xcompmgr 2>"$work/xcompmgr.log" &
    comp_pid=$!
    export TAVRIK_TEST_COMPOSITOR=1
else
    echo "xcompmgr not found: translucent corners are not checked"
fi

"$@"
