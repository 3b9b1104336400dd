#!/usr/bin/env bash
# The command line as a newcomer meets it: help, version, a mistyped option, no display, no
# logs. Each case checks the exit status, standard output and standard error of the real
# program, run with an empty home, fresh folders and no display.
# usage: run_args.sh <tavrik> <version>
set -uo pipefail
tavrik=$1 version=$2

source "$(dirname "$0")/common.sh" -
cd "$work/run"
ulimit -c 0


# run <name> <expected status> <args...>: leaves the output in $work/out and $work/err.
run() {
    name=$1 want=$2
    shift 2
    timeout 20 "$tavrik" "$@" >"$work/out" 2>"$work/err"
    status=$?
    [ "$status" -eq "$want" ] || fail "exit status $status, expected $want"
}
lines() { grep -c '' "$1"; }

run help 0 --help
grep -q '^Usage: tavrik' "$work/out" || fail "no usage line"
for mode in --bench --stats --stats-dir --daily --days --json --card --sprites --notchview --notchcorner --codex \
    --sync-dry-run --debug --version HOME TZ XDG_CACHE_HOME CLAUDE_CONFIG_DIR CODEX_HOME XDG_DATA_HOME; do
    grep -q -- " $mode" "$work/out" || fail "usage does not mention $mode"
done
[ ! -s "$work/err" ] || fail "wrote to standard error"
cp "$work/out" "$work/help"

run short-help 0 -h
cmp -s "$work/out" "$work/help" || fail "-h differs from --help"

run version 0 --version
[ "$(cat "$work/out")" = "tavrik $version" ] || fail "printed '$(cat "$work/out")'"

run unknown-option 2 --stast
[ ! -s "$work/out" ] || fail "wrote to standard output"
[ "$(head -n 1 "$work/err")" = "tavrik: unknown option '--stast'" ] || fail "said '$(head -n 1 "$work/err")'"
grep -q -- "--help" "$work/err" || fail "no hint at --help"

run stray-argument 2 --stats extra
grep -q "unknown option 'extra'" "$work/err" || fail "said '$(cat "$work/err")'"

# The values of options are never taken for options.
run values-are-not-options 0 --stats-dir --weird --stats
run path-is-not-an-option 0 --notchcorner --codex
[ -f ./--codex ] || fail "no file named --codex"

for display in unset :987; do
    [ "$display" = unset ] || export DISPLAY=$display
    run "no-display-$display" 1
    [ "$(lines "$work/err")" -eq 1 ] || fail "$(lines "$work/err") lines on standard error"
    grep -q 'needs an X11 or Wayland session' "$work/err" || fail "said '$(cat "$work/err")'"
    grep -q "tavrik --stats" "$work/err" || fail "no hint at --stats"
    unset DISPLAY
done

run stats-without-logs 0 --stats
grep -q "^score 0$" "$work/out" || fail "the report changed"
[ "$(lines "$work/err")" -eq 1 ] || fail "$(lines "$work/err") lines on standard error"
for folder in "$HOME/.claude/projects" "$HOME/.codex/sessions"; do
    grep -qF "$folder" "$work/err" || fail "the hint does not name $folder"
done

run codex-without-logs 0 --codex
grep -q "^codex sessions 0$" "$work/out" || fail "the report changed"
grep -qF "$HOME/.codex/sessions" "$work/err" || fail "the hint does not name the folder"

finish
echo "all command-line cases passed"
