#!/usr/bin/env bash
# Sets the machine up, builds an optimised Tavrik (without the tests) and its Debian package,
# and prints the path of the .deb.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup.sh
build=build/package
cmake --preset release -B "$build" -D TAVRIK_BUILD_TESTS=OFF >/dev/null
cmake --build "$build"
# CPack names the file it wrote in a line "CPack: - package: <path> generated."
deb=$(cpack --config "$build/CPackConfig.cmake" -B "$build" |
    sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p')
[ -f "$deb" ] || { echo "package: cpack wrote no package" >&2; exit 1; }
echo "$deb"
