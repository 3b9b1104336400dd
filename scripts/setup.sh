#!/usr/bin/env bash
# Prepares a Debian 12 machine to build and test Tavrik. Idempotent: installs only the
# packages that are missing and fetches the pixel font only when it is not already in place.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

packages=(
    # build
    cmake ninja-build g++ pkg-config clang-format
    # the fuzz targets: clang and its libFuzzer runtime
    clang libclang-rt-14-dev
    # libraries
    libsimdjson-dev qt6-base-dev libsecret-1-dev libglib2.0-dev libxcb1-dev
    # the system monospaced font the pictures fall back to without Departure Mono
    fonts-dejavu-core
    # the Debian package: dependencies found from the binary
    dpkg-dev
    # tests
    libgtest-dev libgmock-dev jq
    xvfb xauth trayer xcompmgr xdotool x11-apps x11-xserver-utils desktop-file-utils
    dbus dbus-bin gnome-keyring
    postgresql
)
# The font comes from its npm package; use the machine's npm when it has one (Debian's npm
# package conflicts with a Node.js installed from elsewhere).
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -qx installed; then
        missing+=("$p")
    fi
done
if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Departure Mono (SIL OFL) and its licence: fetched, verified, never committed.
# Each line: the path in the npm package, the name in resources/fonts, its sha256.
font_dir="$here/resources/fonts"
font_files=(
    "dist/files/DepartureMono-Regular.otf DepartureMono-Regular.otf 4d53f663155cf8bf7ffc8e688776e719625f7bbb80a8d90073438b249261a2e0"
    "LICENSE DepartureMono-OFL.txt b65e42750f3cb65437a97f4dfd781c58f199259949db2341012be60e32500e83"
)
to_fetch=()
for f in "${font_files[@]}"; do
    read -r from to sha <<<"$f"
    echo "$sha  $font_dir/$to" | sha256sum --check --status 2>/dev/null || to_fetch+=("$f")
done
if ((${#to_fetch[@]})); then
    echo "setup: fetching Departure Mono"
    tmp=$(mktemp -d)
    trap 'rm -rf "$tmp"' EXIT
    (cd "$tmp" && npm pack --silent @proj-airi/font-departure-mono@0.10.2 >/dev/null)
    mkdir -p "$font_dir"
    for f in "${to_fetch[@]}"; do
        read -r from to sha <<<"$f"
        tar -xzf "$tmp"/*.tgz -C "$tmp" "package/$from"
        echo "$sha  $tmp/package/$from" | sha256sum --check --status \
            || { echo "setup: $to checksum mismatch" >&2; exit 1; }
        mv "$tmp/package/$from" "$font_dir/$to"
    done
fi
echo "setup: ready"
