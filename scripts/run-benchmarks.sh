#!/usr/bin/env bash
# Runs every benchmark of a build beside its baseline (bench/baseline.cpp: a bare SDL2 + OpenGL
# window presenting at the same rate), prints the figures with their ratios and writes them to
# BENCHMARKS.md with the machine and the command. Takes about four minutes.
# Usage: scripts/run-benchmarks.sh BUILD_DIR [OUTPUT]   (OUTPUT defaults to BENCHMARKS.md)
#   BENCH_TICKS (default 2000): ticks of the tick-timing run.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "$1")
out=${2:-$root/BENCHMARKS.md}
ticks=${BENCH_TICKS:-2000}
game=$build/src/app/puckwind
bench=$build/bench
raw=$(mktemp -d)
trap 'rm -rf "$raw"' EXIT

# A game running for this user, or the last one a probe stopped and that is still going, would
# make ours a second instance that ends at once: each run gets a runtime directory of its own,
# where the single-instance endpoint lives.
private() { XDG_RUNTIME_DIR=$(mktemp -d "$raw/runtime.XXXXXX") "$@"; }
in_xvfb() { private xvfb-run -a -s "-screen 0 640x480x24 -br" "$@"; }

echo "== machine"
uptime | tee "$raw/load"
in_xvfb "$bench/baseline" --renderer >"$raw/renderer" 2>/dev/null || echo "unknown" >"$raw/renderer"
cat "$raw/renderer"

echo "== start-up, CPU, input latency, memory (game, then baseline, under Xvfb)"
# Xvfb has no refresh of its own: the game's frames come from its clock, at the rate given.
probe_game() {  # NAME RATE [ARGS...]: the game drawing RATE frames a second
  local name=$1 rate=$2
  shift 2
  in_xvfb env SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null PUCKWIND_FRAME_RATE="$rate" \
    PROBE_FRAME_RATE="$rate" "$bench/frame_probe" -- "$game" "$@" | tee "$raw/$name"
}
probe_game probe-game 60
in_xvfb "$bench/frame_probe" -- "$bench/baseline" | tee "$raw/probe-baseline"
echo "== the same at 144 frames a second, and with one picture a tick (--tick-paint)"
probe_game probe-game-144 144
probe_game probe-game-tick 41.67 --tick-paint

echo "== the puck's drawn steps from frame to frame on a clock moved by hand"
"$bench/frame_pacing" | tee "$raw/frame-pacing"

echo "== start-up, peak memory and CPU two seconds into the title (game and baseline in turn)"
in_xvfb env SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null \
  "$bench/frame_probe" --title "$game" --versus "$bench/baseline" | tee "$raw/title"

echo "== the same at 1920 x 1080, where the game and the baseline fill the screen (no input moves)"
in_xvfb_1080() { private xvfb-run -a -s "-screen 0 1920x1080x24 -br" "$@"; }
in_xvfb_1080 env SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null PROBE_MOVES=0 \
  PUCKWIND_FRAME_RATE=60 PROBE_FRAME_RATE=60 "$bench/frame_probe" -- "$game" |
  tee "$raw/probe-game-1080"
in_xvfb_1080 env PROBE_MOVES=0 "$bench/frame_probe" -- "$bench/baseline" --fill |
  tee "$raw/probe-baseline-1080"

echo "== tick timing ($ticks ticks: game's timer through the real queue, then baseline)"
"$bench/tick_period" "$ticks" | tee "$raw/ticks-game"
"$bench/baseline" --ticks "$ticks" | tee "$raw/ticks-baseline"

echo "== audio latency"
"$bench/audio_latency" 100 | tee "$raw/audio-game"
"$bench/audio_latency" --baseline 100 | tee "$raw/audio-baseline"

for b in "$bench"/*_bench; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_min_time=0.5 --benchmark_out="$raw/$(basename "$b").json" \
    --benchmark_out_format=json | tee "$raw/$(basename "$b")"
done
uptime | tee "$raw/load-after"

# The browser's figures come from make web-bench and scripts/web-figures.sh: kept as they are.
browser=$(sed -n '/^## In a browser/,$p' "$out" 2>/dev/null || true)
python3 "$root/bench/report.py" "$raw" "$root/bench/notes.md" >"$out"
[ -z "$browser" ] || printf '\n%s\n' "$browser" >>"$out"
echo "== figures (written to $out)"
sed -n '/^## Figures/,/^## /p' "$out" | sed '$d'
