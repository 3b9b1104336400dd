#!/usr/bin/env bash
# Checks the Debian package made by CPack from a build tree: its control fields (the version,
# the dependencies found from the binary and the ones added by hand) and its file list; then,
# extracted into a scratch folder, that the program runs from there and finds its resources:
# its card must come out identical to the one drawn by the program in the build tree, which
# uses the copy beside it; and that the desktop entry names a program and an icon the package
# holds. Without dpkg-deb, or without the pixel font in the source tree (the set-up script
# fetches it and its licence), the check is skipped.
# usage: run_package.sh <build-dir> <built tavrik> <source-dir> <version>
set -euo pipefail
build=$1 built=$2 source=$3 version=$4

command -v dpkg-deb >/dev/null || { echo "dpkg-deb is missing: no Debian package to check"; exit 77; }
[ -f "$source/resources/fonts/DepartureMono-Regular.otf" ] || {
    echo "the pixel font is missing from resources/ (scripts/setup.sh fetches it)"
    exit 77
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" TZ=UTC
unset DISPLAY WAYLAND_DISPLAY

fail() { echo "package: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$work/cpack.log")"
deb="$work/out/tavrik_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb") among: $(ls "$work/out")"

info=$(dpkg-deb --info "$deb")
for field in "Package: tavrik" "Version: $version" "Section: utils" \
    "Depends: .*fonts-dejavu-core" "Depends: .*libqt6widgets6" "Recommends: gnome-keyring"; do
    grep -q "^ $field" <<<"$info" || fail "no \"$field\" in the control fields: $info"
done

contents=$(dpkg-deb --contents "$deb")
docs=usr/share/doc/tavrik
for f in usr/bin/tavrik usr/share/tavrik/fonts/DepartureMono-Regular.otf \
    usr/share/tavrik/tavrik-logo-white.png usr/share/applications/tavrik.desktop \
    usr/share/icons/hicolor/scalable/apps/tavrik.svg \
    $docs/copyright $docs/changelog.gz $docs/DepartureMono-OFL.txt; do
    grep -q " \./$f\$" <<<"$contents" || fail "no $f in the package"
done

root="$work/root"
dpkg-deb --extract "$deb" "$root"
grep -q "SIL OPEN FONT LICENSE Version 1.1" "$root/$docs/DepartureMono-OFL.txt" ||
    fail "the font's licence is not the SIL Open Font License"
entry="$root/usr/share/applications/tavrik.desktop"
desktop-file-validate "$entry" || fail "the desktop entry does not validate"
[ -x "$root/usr/bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")" ] ||
    fail "the desktop entry starts a program the package does not install"
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$(sed -n 's/^Icon=//p' "$entry").svg" ] ||
    fail "the desktop entry names an icon the package does not install"

said=$("$root/usr/bin/tavrik" --version)
[ "$said" = "tavrik $version" ] || fail "--version printed: $said"
XDG_CACHE_HOME="$work/cache-built" "$built" --card "$work/built.png" >/dev/null
XDG_CACHE_HOME="$work/cache-packaged" "$root/usr/bin/tavrik" --card "$work/packaged.png" >/dev/null
cmp -s "$work/built.png" "$work/packaged.png" ||
    fail "the packaged program's card differs from the built one's: its resources were not found"
