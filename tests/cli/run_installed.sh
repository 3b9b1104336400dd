#!/usr/bin/env bash
# Checks an installation moved away from the prefix it was configured with: installs the build
# into a fresh folder with `cmake --install --prefix`, checks that the program, its resource
# folder, desktop entry and icon are in their usual places, and that the installed program
# finds its resources there: its card must come out identical to the one drawn by the program
# in the build tree, which uses the copy beside it. Without the pixel font in the source tree
# (the set-up script fetches it) there is nothing to tell apart, and the check is skipped.
# usage: run_installed.sh <build-dir> <built tavrik> <source-dir>
set -euo pipefail
build=$1 built=$2 source=$3

[ -f "$source/resources/fonts/DepartureMono-Regular.otf" ] || {
    echo "the pixel font is missing from resources/ (scripts/setup.sh fetches it)"
    exit 77
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/somewhere else"
mkdir -p "$work/home" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" TZ=UTC
unset DISPLAY WAYLAND_DISPLAY

fail() { echo "installed: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/tavrik share/tavrik/fonts/DepartureMono-Regular.otf \
    share/applications/tavrik.desktop share/icons/hicolor/scalable/apps/tavrik.svg; do
    [ -f "$prefix/$f" ] || fail "no $f under the prefix"
done

XDG_CACHE_HOME="$work/cache-built" "$built" --card "$work/built.png" >/dev/null
XDG_CACHE_HOME="$work/cache-installed" "$prefix/bin/tavrik" --card "$work/installed.png" >/dev/null
cmp -s "$work/built.png" "$work/installed.png" ||
    fail "the installed program's card differs from the built one's: its resources were not found"
