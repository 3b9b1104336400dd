#!/usr/bin/env bash
# Sets the machine up, builds everything with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup.sh
cmake --preset dev
cmake --build --preset dev
ctest --preset dev

# The engine and the command line once more under AddressSanitizer and UBSan: they read
# whatever bytes the log folders hold.
cmake --preset asan
cmake --build --preset asan --target engine_tests cli_tests cli_board_tests tavrik
ctest --preset asan -L 'engine|cli'

# The fuzz targets, a few seconds each from their seed corpus: a regression check, not a hunt
# (scripts/fuzz.sh runs them for longer).
if command -v clang++ >/dev/null 2>&1; then
    cmake --preset fuzz
    cmake --build --preset fuzz
    ctest --preset fuzz
else
    echo "test: fuzz targets skipped, clang++ is not installed (scripts/setup.sh installs it)"
fi

# Formatting: any difference from clang-format fails the run.
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
