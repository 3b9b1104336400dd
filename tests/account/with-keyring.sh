#!/bin/sh
# Runs a test program inside a private D-Bus session with a throwaway, unlocked
# gnome-keyring, so keychain tests never see the user's own keyring. When the tools are
# missing, the program still runs and its keyring tests skip, naming what is missing.
set -u

for tool in dbus-run-session gnome-keyring-daemon; do
    command -v "$tool" >/dev/null 2>&1 || TAVRIK_KEYRING_UNAVAILABLE="$tool is not installed" exec "$@"
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tavrik-keyring.XXXXXX") || exit 1
trap 'rm -rf "$tmp"' EXIT INT TERM
mkdir -p -m 700 "$tmp/data" "$tmp/config" "$tmp/home" "$tmp/run"

# An empty password on stdin creates and unlocks a "login" keyring in $XDG_DATA_HOME.
HOME="$tmp/home" XDG_DATA_HOME="$tmp/data" XDG_CONFIG_HOME="$tmp/config" \
XDG_RUNTIME_DIR="$tmp/run" TAVRIK_TEST_KEYRING=1 \
    dbus-run-session -- sh -c '
        if ! printf "\n" | gnome-keyring-daemon --unlock --components=secrets >/dev/null 2>&1; then
            export TAVRIK_KEYRING_UNAVAILABLE="gnome-keyring-daemon did not start"
        fi
        exec "$@"' sh "$@" 2>"$tmp/bus.err"
status=$?
# The bus daemon's own complaints (fd limits when running as root) are noise; show the rest.
grep -v "dbus-daemon\[" "$tmp/bus.err" >&2
exit $status
