#!/usr/bin/env bash
# Measures the tray application at rest: the release build of tavrik runs under Xvfb with a
# tray host on a generated log tree of 5,000 files that nothing changes, rebuilding every 5
# seconds through the parse cache. After the first (cold) build and a settling period it
# samples the process's CPU time and resident memory for a few minutes, then ends it with
# SIGTERM as a logout would.
#
# Prints: average CPU in percent of one core, CPU per 5-second rebuild, resident memory at the
# start, lowest, highest and at the end of the window. Exits non-zero when the average is above
# 1 % or the process did not end cleanly.
#
# Knobs (environment): MINUTES (3), SETTLE_S (20), SAMPLE_S (10), FILES (5000), SIZE_MB (500),
# SEED (1), OUT (bench/out), OVERLAY (shown; "hidden" starts with the overlay hidden, to tell
# its share from the builds'). FILES=50000 SIZE_MB=1000 shares the tree of small files of
# bench/run.sh.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

minutes=${MINUTES:-3}
settle_s=${SETTLE_S:-20}
sample_s=${SAMPLE_S:-10}
files=${FILES:-5000}
size_mb=${SIZE_MB:-500}
seed=${SEED:-1}
out=${OUT:-bench/out}

for tool in Xvfb trayer; do
    command -v "$tool" >/dev/null || { echo "idle_app: $tool is missing (scripts/setup.sh)" >&2; exit 2; }
done

[ -f build/release/CMakeCache.txt ] || cmake --preset release >/dev/null
cmake --build build/release --target tavrik tavrik_gen_logs | tail -n 1
gen=build/release/bench/tavrik_gen_logs
app=build/release/cli/tavrik

mkdir -p "$out"
gen_id=$(cat bench/LogGen.cpp bench/LogGen.h | sha256sum | cut -c1-10)
tree="$out/tree-$gen_id-${size_mb}mb-${files}f-seed$seed"
if [ ! -f "$tree/tavrik-gen.json" ]; then
    [ -d "$tree" ] && rm -rf -- "$tree"
    echo "generating $tree" >&2
    "$gen" --out "$tree" --size-mb "$size_mb" --files "$files" --seed "$seed" >&2
fi
tree=$(cd "$tree" && pwd)

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf -- "$work"
}
trap cleanup EXIT
mkdir -p "$work/cache" "$work/config/Tavrik" "$work/run"
chmod 700 "$work/run"
if [ "${OVERLAY:-shown}" = hidden ]; then
    printf '[General]\ntavrik.notchHidden=true\n' >"$work/config/Tavrik/Tavrik.conf"
fi

# Xvfb picks a free display itself and writes its number once it is ready.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"
if command -v xcompmgr >/dev/null; then xcompmgr 2>/dev/null & pids+=($!); fi
trayer --edge bottom --align right --widthtype request --height 28 --transparent true \
    --alpha 0 --tint 0x1e1e1e --SetDockType true 2>/dev/null &
pids+=($!)
sleep 1

# Page cache warm: the figures are about the application, not the disk.
find "$tree/.claude" "$tree/.codex" -type f -name '*.jsonl' -exec cat {} + >/dev/null

env -u DBUS_SESSION_BUS_ADDRESS HOME="$tree" XDG_CACHE_HOME="$work/cache" \
    XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb \
    "$app" --debug 2>"$work/err" &
app_pid=$!
pids+=("$app_pid")

for _ in $(seq 600); do grep -q '^\[tavrik\] refresh' "$work/err" && break; sleep 0.1; done
grep -q '^\[tavrik\] refresh' "$work/err" || { echo "idle_app: no build reported" >&2; cat "$work/err" >&2; exit 1; }
echo "first build done; settling for $settle_s s" >&2
sleep "$settle_s"

tick=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$app_pid/stat"; }
# CPU ticks by thread name ("tavrik" is the main thread, "tavrik.stats" the builds).
thread_ticks() {
    for t in /proc/"$app_pid"/task/*; do
        printf '%s %s\n' "$(tr ' ' '_' <"$t/comm")" "$(awk '{print $14 + $15}' "$t/stat")"
    done | awk '{sum[$1] += $2} END {for (n in sum) print n, sum[n]}' | sort
}
rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$app_pid/status"; }

builds0=$(grep -c '^\[tavrik\] refresh' "$work/err")
thread_ticks >"$work/threads0"
cpu0=$(cpu_ticks)
t0=$(date +%s.%N)
rss_first=$(rss_kib)
rss_min=$rss_first
rss_max=$rss_first
samples=$((minutes * 60 / sample_s))
for i in $(seq "$samples"); do
    sleep "$sample_s"
    r=$(rss_kib)
    ((r < rss_min)) && rss_min=$r
    ((r > rss_max)) && rss_max=$r
    echo "  $((i * sample_s)) s: RSS $((r / 1024)) MiB" >&2
done
cpu1=$(cpu_ticks)
t1=$(date +%s.%N)
thread_ticks >"$work/threads1"
rss_last=$(rss_kib)
builds1=$(grep -c '^\[tavrik\] refresh' "$work/err")

kill -TERM "$app_pid"
status=0
wait "$app_pid" || status=$?

awk -v c0="$cpu0" -v c1="$cpu1" -v t0="$t0" -v t1="$t1" -v tick="$tick" \
    -v b="$((builds1 - builds0))" -v f="$files" -v first="$rss_first" -v lo="$rss_min" \
    -v hi="$rss_max" -v last="$rss_last" 'BEGIN {
    cpu = (c1 - c0) / tick; wall = t1 - t0
    printf "idle over %.0f s with %d log files: %.2f %% of one core (%.2f s CPU, %d builds, %.1f ms CPU per build); target <= 1 %%\n",
        wall, f, 100 * cpu / wall, cpu, b, (b ? 1000 * cpu / b : 0)
    printf "resident memory: %.1f MiB at the start, %.1f lowest, %.1f highest, %.1f at the end\n",
        first / 1024, lo / 1024, hi / 1024, last / 1024
    exit (100 * cpu / wall > 1) }' || status=1
echo "by thread (CPU seconds over the window):"
join -a 2 -e 0 -o 0,1.2,2.2 "$work/threads0" "$work/threads1" |
    awk -v tick="$tick" '{printf "  %-20s %.2f s\n", $1, ($3 - $2) / tick}'
[ "$status" -eq 0 ] || echo "idle_app: over the target or not ended cleanly (status $status)" >&2
exit "$status"
