# shellcheck shell=bash
# Shared set-up of the command-line test scripts, sourced with the fixture folder (or - for
# none): a fresh folder removed on exit, holding a copy of the fixture and the program's own
# folders (the settings' in $TAVRIK_TEST_CONFIG when set), UTC, no display; and the checks the
# scripts make, whose failures fail the script on exit. The program is $tavrik.
set -uo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"; finish' EXIT
[ "${1:--}" = - ] || cp -a "$1/." "$work/"
mkdir -m 700 "$work/home" "$work/run" "$work/runtime"
export HOME="$work/home" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data" \
    XDG_CONFIG_HOME="${TAVRIK_TEST_CONFIG:-$work/config}" XDG_RUNTIME_DIR="$work/runtime" TZ=UTC
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM XDG_SESSION_TYPE CLAUDE_CONFIG_DIR CODEX_HOME

# Every failed check is reported; finish, on exit, fails the script when there was one.
failures=0
fail() { echo "FAIL ${name:-}: $*" >&2; failures=$((failures + 1)); }
finish() { [ "$failures" -eq 0 ] || { echo "$failures failed" >&2; exit 1; }; }
same() { [ "$1" = "$2" ] || fail "$(diff <(echo "$2") <(echo "$1") | head -n 6)"; }

# run <name> <expected status> <args...>: leaves standard output and error in $out and $err.
run() {
    name=$1
    local want=$2 status=0
    timeout 60 "$tavrik" "${@:3}" >"$work/out" 2>"$work/err" || status=$?
    out=$(<"$work/out") err=$(<"$work/err")
    [ "$status" -eq "$want" ] || fail "exit status $status, expected $want: $err"
}

# png_size <file>: prints "<width>x<height>" from the PNG's header, or nothing for no PNG.
png_size() {
    [ -f "$1" ] && [ "$(od -An -tx1 -N8 <"$1" | tr -d ' \n')" = 89504e470d0a1a0a ] || return 0
    od --endian=big -An -tu4 -j16 -N8 <"$1" | awk '{ print $1 "x" $2 }'
}
