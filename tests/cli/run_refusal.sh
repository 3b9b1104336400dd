#!/usr/bin/env bash
# Runs tavrik with an empty home and preferences folder and checks that it fails with status
# 1, prints nothing on standard output and exactly the expected line on standard error.
# usage: run_refusal.sh <tavrik> <expected-stderr-line> [args...]
set -euo pipefail
tavrik=$1 expected=$2
shift 2
source "$(dirname "$0")/common.sh" -
status=0
"$tavrik" "$@" >"$work/out" 2>"$work/err" || status=$?
[ "$status" -eq 1 ] || { echo "exited with $status, expected 1" >&2; exit 1; }
[ ! -s "$work/out" ] || { echo "unexpected output:" >&2; cat "$work/out" >&2; exit 1; }
[ "$(cat "$work/err")" = "$expected" ] || { echo "stderr was:" >&2; cat "$work/err" >&2; exit 1; }
