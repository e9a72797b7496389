#!/usr/bin/env bash
# With no audio device the game starts, runs silent and closes with exit code 0.
# Usage: silent_without_audio.sh PUCKWIND PUCKWIND_COMMAND   (run under xvfb-run)
set -u
game=$1 command=$2
export SDL_AUDIODRIVER=no-such-driver
"$(dirname "$0")/with_gl_driver.sh" "$game" &
pid=$!
sleep 2
if ! kill -0 "$pid" 2>/dev/null; then
  wait "$pid"
  echo "the game ended by itself (status $?) without an audio device"
  exit 1
fi
"$command" 40001 || { kill "$pid"; echo "the close command was not delivered"; exit 1; }
wait "$pid"
status=$?
[ "$status" -eq 0 ] || { echo "exit status $status"; exit 1; }
echo "ran silent and closed with 0"
