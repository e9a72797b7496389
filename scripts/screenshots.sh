#!/usr/bin/env bash
# Takes the README screenshots from the real game under Xvfb: the title, a rally, a goal and the
# result banner. Writes docs/screenshots/{title,rally,goal,win}.png (lose.png when the computer
# won every match it was given).
# Usage: scripts/screenshots.sh [GAME]   GAME defaults to build/default/src/shell/puckwind.
#   PUCKWIND_SHOT_MATCHES (default 3): matches to play while waiting for a win.
# Needs xvfb, xdotool and imagemagick (scripts/ensure-packages.sh test installs them).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
game=$(realpath "${1:-$root/build/default/src/shell/puckwind}")
out=$root/docs/screenshots
if [ -z "${PUCKWIND_SHOTS_IN_XVFB:-}" ]; then
  [ -x "$game" ] || { echo "screenshots: no game at $game (build it first)" >&2; exit 1; }
  exec env PUCKWIND_SHOTS_IN_XVFB=1 xvfb-run -a -s "-screen 0 640x480x24" "$0" "$game"
fi
mkdir -p "$out"
tmp=$(mktemp -d)
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null
"$game" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$tmp"' EXIT

shot() { import -window root "$1"; }
# Mean of one channel (r, g or b) over a rectangle WxH+X+Y of a picture, 0 to 100.
mean() { convert "$1" -crop "$2" -channel "$3" -separate -format '%[fx:round(100*mean)]' info:; }
# The result banner covers the middle of the screen in its gold or red lettering; during play
# that region is the table's blue, which has no red at all.
banner_up() { [ "$(mean "$1" 440x70+100+205 R)" -ge 20 ]; }
# The near scoreboard digit, as a picture to compare: it changes when a goal is counted.
digit() { convert "$1" -crop 34x20+184+236 +repage "$2"; }
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
digit "$tmp/start.png" "$tmp/digit0.png"

# Wait for the first goal: either digit of the scoreboard changes.
convert "$tmp/start.png" -crop 34x20+188+212 +repage "$tmp/far0.png"
for _ in $(seq 400); do
  sweep 1
  shot "$tmp/now.png"
  digit "$tmp/now.png" "$tmp/digit1.png"
  convert "$tmp/now.png" -crop 34x20+188+212 +repage "$tmp/far1.png"
  if changed "$tmp/digit0.png" "$tmp/digit1.png" || changed "$tmp/far0.png" "$tmp/far1.png"; then
    cp "$tmp/now.png" "$out/goal.png"
    break
  fi
done

# Serve again after each goal until a result banner comes up; keep playing for a win.
matches=${PUCKWIND_SHOT_MATCHES:-3}
for _ in $(seq "$matches"); do
  for _ in $(seq 2000); do
    xdotool click 1
    sweep 2
    shot "$tmp/now.png"
    banner_up "$tmp/now.png" && break
  done
  sleep 2  # the win banner spins in over 40 ticks
  shot "$tmp/result.png"
  # Gold lettering ("YOU WIN!") is as green as it is red; the red "YOU LOSE" is not.
  if [ "$(mean "$tmp/result.png" 440x70+100+205 G)" -ge "$(( $(mean "$tmp/result.png" 440x70+100+205 R) * 2 / 3 ))" ]; then
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
