#!/usr/bin/env bash
# The title jingle starts once the title animation has ended, and loops: the game's mixed
# output (SDL's disk driver) holds sound that repeats every 3.946 s (43508 samples at 11025 Hz,
# 174032 frames at the output's 44100 Hz).
# Usage: title_jingle_loops.sh PUCKWIND PUCKWIND_COMMAND   (run under xvfb-run)
set -u
game=$1 command=$2
raw=$(mktemp --suffix=.raw)
trap 'rm -f "$raw"' EXIT
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$raw
"$(dirname "$0")/with_gl_driver.sh" "$game" &
pid=$!
sleep 1.5
# The title runs on ticks, which count only while the window is active (focused).
if command -v xdotool >/dev/null; then
  timeout 5 xdotool search --sync --name '^PUCKWIND$' windowfocus >/dev/null 2>&1 || true
fi
# The title intro, then a whole period of the jingle and one second more.
sleep 6
"$command" 40001 || { kill "$pid"; echo "the close command was not delivered"; exit 1; }
wait "$pid" || { echo "exit status $?"; exit 1; }
python3 - "$raw" <<'PY'
import array, sys
samples = array.array('h', open(sys.argv[1], 'rb').read())
left = samples[0::2]
period, window = 174032, 44100
start = next((i for i, s in enumerate(left) if abs(s) > 64), None)
if start is None:
    sys.exit(f"silence: {len(left)} frames and no sound")
if start + period + window + 1000 > len(left):
    sys.exit(f"sound from frame {start}, but only {len(left)} frames: not a whole period")
a = left[start + 1000:start + 1000 + window]
b = left[start + 1000 + period:start + 1000 + period + window]
loud = (sum(s * s for s in a) / window) ** 0.5
worst = max(abs(x - y) for x, y in zip(a, b))
print(f"sound from frame {start}; rms {loud:.0f}; largest difference one period later {worst}")
if loud < 500 or worst > 1:
    sys.exit("not the looping jingle")
PY
