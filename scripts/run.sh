#!/usr/bin/env bash
# Sets the machine up, builds an optimised Tavrik and runs it on the current user's logs.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup.sh
cmake --preset release
cmake --build --preset release
exec build/release/cli/tavrik --stats "$@"
