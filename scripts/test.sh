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

# Formatting: any difference from clang-format fails the run.
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
