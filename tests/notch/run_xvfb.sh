#!/usr/bin/env bash
# Runs a test program on a private Xvfb server with a compositing manager, when there is one,
# so that translucent windows show what lies below them. Exits 77, which CTest reports as
# skipped, when Xvfb or xdotool is missing.
# usage: run_xvfb.sh <program> [args...]
for tool in xvfb-run xdotool; do
    command -v "$tool" >/dev/null || { echo "$tool not found: skipped (scripts/setup.sh installs it)"; exit 77; }
done
command -v xcompmgr >/dev/null || echo "xcompmgr not found: translucent corners are not checked"
export QT_QPA_PLATFORM=xcb
exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" bash -c \
    'command -v xcompmgr >/dev/null && { xcompmgr 2>/dev/null & export TAVRIK_TEST_COMPOSITOR=1; }; exec "$@"' \
    run "$@"
