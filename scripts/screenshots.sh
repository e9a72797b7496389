#!/usr/bin/env bash
# Takes the README screenshots from the real game under Xvfb: the title, a rally, a goal and the
# result banner. Writes docs/screenshots/{title,rally,goal,win}.png (lose.png when the computer
# won every match it was given).
# Usage: scripts/screenshots.sh [GAME]   GAME defaults to build/default/src/app/puckwind.
#   PUCKWIND_SHOT_MATCHES (default 3): matches to play while waiting for a win.
#   PUCKWIND_SHOT=dialog-2x: only the settings dialog on a 1280 x 960 screen, at twice the size,
#   to docs/screenshots/dialog-2x.png.
#   PUCKWIND_SHOT=full-1080: only a rally full screen on a 1920 x 1080 screen, to
#   docs/screenshots/full-1080.png.
# Needs xvfb, xdotool and imagemagick (scripts/ensure-packages.sh test installs them).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
game=$(realpath "${1:-$root/build/default/src/app/puckwind}")
out=$root/docs/screenshots
if [ -z "${PUCKWIND_SHOTS_IN_XVFB:-}" ]; then
  [ -x "$game" ] || { echo "screenshots: no game at $game (build it first)" >&2; exit 1; }
  # A game already running for this user would make ours a second instance that ends at once:
  # a runtime directory of our own, where the single-instance endpoint lives, keeps them from
  # meeting.
  runtime=$(mktemp -d)
  screen=640x480x24
  [ "${PUCKWIND_SHOT:-}" = dialog-2x ] && screen=1280x960x24
  [ "${PUCKWIND_SHOT:-}" = full-1080 ] && screen=1920x1080x24
  status=0
  env PUCKWIND_SHOTS_IN_XVFB=1 XDG_RUNTIME_DIR="$runtime" xvfb-run -a -s "-screen 0 $screen" \
    "$0" "$game" || status=$?
  rm -rf "$runtime"
  exit $status
fi
mkdir -p "$out"
tmp=$(mktemp -d)
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null
"$game" &
pid=$!
finish() {
  kill "$pid" 2>/dev/null || true
  for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
  kill -9 "$pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap finish EXIT
trap 'exit 1' INT TERM

shot() { import -window root "$1"; }

if [ "${PUCKWIND_SHOT:-}" = dialog-2x ]; then
  sleep 3  # the title banner flies in
  "$(dirname "$game")/../../tools/command/puckwind-command" 40002
  sleep 2
  shot "$out/dialog-2x.png"
  exit 0
fi
if [ "${PUCKWIND_SHOT:-}" = full-1080 ]; then
  sleep 3
  xdotool mousemove 960 810 click 1  # the picture's (320, 360) at a scale of 2.25
  for _ in 1 2 3 4; do
    xdotool mousemove_relative -- 135 -18; sleep 0.05
    xdotool mousemove_relative -- -270 36; sleep 0.05
    xdotool mousemove_relative -- 135 -18; sleep 0.05
  done
  shot "$out/full-1080.png"
  exit 0
fi
# Pixels of the lettering in the banner's place (the quad at rest spans x 97..543, y 184..296):
# prints how many are gold ("YOU WIN!") and how many red ("YOU LOSE"). The table there is blue.
lettering() {
  convert "$1" -crop 440x70+100+205 +repage -depth 8 txt:- |
    sed -n 's/^[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' |
    awk '$1 > 200 && $2 > 150 && $3 < 120 { gold++ } $1 > 150 && $2 < 100 && $3 < 110 { red++ }
         END { print gold + 0, red + 0 }'
}
banner_up() { set -- $(lettering "$1"); [ $(($1 + $2)) -ge 1500 ]; }
# The title logo has both colours; the win text nearly no red.
is_win() { set -- $(lettering "$1"); [ "$1" -gt $(($2 * 3)) ]; }
# The scoreboard's digit faces (projections of x -199..-163 at height 24, y -38..-4 and 4..38).
near_digit() { convert "$1" -crop 30x22+185+234 +repage "$2"; }
far_digit() { convert "$1" -crop 30x21+190+211 +repage "$2"; }
changed() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 || true)" != 0 ]; }

for _ in $(seq 100); do
  xdotool search --name '^PUCKWIND$' >/dev/null 2>&1 && break
  sleep 0.1
done
sleep 2  # the title flies in over six ticks and its music starts
shot "$out/title.png"

# A click starts the match; sweep the mallet across the near half while the puck is in play.
sweep() {
  local i
  for i in $(seq "$1"); do
    xdotool mousemove_relative -- 60 -8; sleep 0.05
    xdotool mousemove_relative -- -120 16; sleep 0.05
    xdotool mousemove_relative -- 60 -8; sleep 0.05
  done
}
xdotool mousemove 320 360 click 1
sleep 0.6
sweep 4
shot "$out/rally.png"
shot "$tmp/start.png"
near_digit "$tmp/start.png" "$tmp/near0.png"
far_digit "$tmp/start.png" "$tmp/far0.png"

# Wait for the first goal: one of the scoreboard's digits changes.
for _ in $(seq 400); do
  sweep 1
  shot "$tmp/now.png"
  near_digit "$tmp/now.png" "$tmp/near1.png"
  far_digit "$tmp/now.png" "$tmp/far1.png"
  if changed "$tmp/near0.png" "$tmp/near1.png" || changed "$tmp/far0.png" "$tmp/far1.png"; then
    cp "$tmp/now.png" "$out/goal.png"
    break
  fi
done

# Serve again after each goal until a result banner comes up (looking before each click, as a
# click on the result goes back to the title); keep playing for a win.
matches=${PUCKWIND_SHOT_MATCHES:-3}
for _ in $(seq "$matches"); do
  for _ in $(seq 2000); do
    shot "$tmp/now.png"
    banner_up "$tmp/now.png" && break
    xdotool click 1
    sweep 2
  done
  sleep 2  # the win banner spins in over 40 ticks
  shot "$tmp/result.png"
  if is_win "$tmp/result.png"; then
    cp "$tmp/result.png" "$out/win.png"
    rm -f "$out/lose.png"
    exit 0
  fi
  cp "$tmp/result.png" "$out/lose.png"
  xdotool click 1  # back to the title
  sleep 2
  xdotool click 1  # and a new match
  sleep 0.5
done
echo "screenshots: the computer won $matches matches; docs/screenshots/lose.png taken instead of win.png" >&2
