#!/usr/bin/env bash
# A long run of the real game under Xvfb, played by a scripted mouse that sweeps the near half of
# the table and clicks now and then (serves, results back to the title, new matches).
# Checks that resident memory stays flat, that nothing is written to the error output, and that
# the game's ticks keep up with the wall clock (OnTick calls counted with gdb for about 10 s at
# the start and at the end, as a rate per 10 s: 416.7 when no tick is dropped).
# Usage: scripts/soak.sh [BUILD_DIR] [SECONDS]   defaults: build/default, 600
# Writes BUILD_DIR/soak/rss.txt (seconds, VmRSS in kB) and prints the figures.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build/default}")
seconds=${2:-600}
game=$build/src/app/puckwind
if [ -z "${PUCKWIND_SOAK_IN_XVFB:-}" ]; then
    [ -x "$game" ] || { echo "soak: no $game (build first)" >&2; exit 1; }
    apart=()
    if unshare -n true 2>/dev/null; then
        apart=(unshare -n)
    elif unshare -n --map-root-user true 2>/dev/null; then
        apart=(unshare -n --map-root-user)
    fi
    exec env PUCKWIND_SOAK_IN_XVFB=1 "${apart[@]}" xvfb-run -a -s "-screen 0 640x480x24" \
        "$0" "$build" "$seconds"
fi
out=$build/soak
mkdir -p "$out"
rm -f "$out/rss.txt"
SDL_AUDIODRIVER=dummy "$game" 2>"$out/stderr.txt" &
pid=$!
trap 'kill $pid 2>/dev/null' EXIT
for _ in $(seq 100); do
    xdotool search --name '^PUCKWIND$' >/dev/null 2>&1 && break
    sleep 0.1
done

# The mallet across the near half, column by column, in about two seconds.
sweep() {
    local x
    for x in 200 380 260 440 320; do
        xdotool mousemove $x 360 sleep 0.1 mousemove $x 205 sleep 0.1
    done
}
rss() { awk '/^VmRSS/ { print $2 }' "/proc/$pid/status"; }
# OnTick calls per 10 s of wall clock (between the first and the last of about ten seconds of
# them, after two seconds of settling), counted by a breakpoint that never stops the game.
ticks() {
    local log=$out/gdb.txt
    gdb -q -nx -batch "/proc/$pid/exe" -p "$pid" \
        -ex 'python
import time
class Count(gdb.Breakpoint):
    hits = 0
    first = last = 0.0
    attached = None
    def stop(self):
        now = time.monotonic()
        if Count.attached is None:
            Count.attached = now
        if now - Count.attached < 2:
            return False  # the ticks that catch up after the stop for attaching
        Count.last = now
        if Count.hits == 0:
            Count.first = now
        Count.hits += 1
        return False
counter = Count("OnTick", internal=True)
end' \
        -ex 'continue' \
        -ex 'python print("ticks %.1f" % ((Count.hits - 1) * 10 / max(Count.last - Count.first, 1)))' \
        -ex 'detach' >"$log" 2>&1 &
    local gdb_pid=$!
    sleep 13  # gdb needs a moment to attach and set the breakpoint; 2 s are not counted
    kill -INT $gdb_pid
    wait $gdb_pid
    sed -n 's/^ticks \([0-9]*\)\.[0-9]$/\1/p' "$log"
}

sleep 2
xdotool mousemove 320 360 click 1
ticks_start=$(ticks)
start=$SECONDS
rss_first=""
next_sample=0
while [ $((SECONDS - start)) -lt "$seconds" ]; do
    kill -0 $pid 2>/dev/null || { echo "soak: the game ended after $((SECONDS - start)) s" >&2; exit 1; }
    if [ $((SECONDS - start)) -ge $next_sample ]; then
        now=$(rss)
        echo "$((SECONDS - start)) $now" >>"$out/rss.txt"
        [ -n "$rss_first" ] || rss_first=$now
        next_sample=$((next_sample + 30))
    fi
    xdotool click 1
    sweep
    sweep
done
rss_last=$(rss)
echo "$((SECONDS - start)) $rss_last" >>"$out/rss.txt"
ticks_end=$(ticks)
xdotool key Escape
for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
wait $pid
code=$?
# The only lines SDL may write: none expected.
errors=$(grep -c . "$out/stderr.txt")
# Growth between the first minute and the end (the first samples include start-up).
rss_minute=$(awk '$1 >= 60 { print $2; exit }' "$out/rss.txt")
echo "soak: $seconds s; VmRSS first $rss_first kB, at 1 min ${rss_minute:-?} kB, end $rss_last kB"
echo "soak: OnTick in 10 s: ${ticks_start:-?} at the start, ${ticks_end:-?} at the end (every tick: 416.7)"
echo "soak: exit code $code; $errors line(s) on the error output"
status=0
[ "$code" -eq 0 ] || status=1
[ "$errors" -eq 0 ] || { cat "$out/stderr.txt" >&2; status=1; }
if [ -n "${rss_minute:-}" ] && [ $((rss_last - rss_minute)) -gt $((rss_minute / 20)) ]; then
    echo "soak: resident memory grew more than 5%" >&2
    status=1
fi
for t in "${ticks_start:-0}" "${ticks_end:-0}"; do
    [ "$t" -ge 400 ] && [ "$t" -le 430 ] || { echo "soak: ticks off the wall clock" >&2; status=1; }
done
exit $status
