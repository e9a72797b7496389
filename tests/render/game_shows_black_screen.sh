#!/bin/sh
# Runs the game on a white 1024x768 X screen (Xvfb), where 640x480 is not offered: the game's
# window stays at the top-left and must show the black scene through the real device and paint
# path; Escape then ends the game with code 0.
# Usage (inside xvfb-run): game_shows_black_screen.sh PUCKWIND_BINARY
set -u
game="$1"
shot="$(mktemp --suffix=.png)"
trap 'rm -f "$shot"' EXIT
"$game" &
pid=$!
if ! timeout 10 xdotool search --sync --class PUCKWIND >/dev/null; then
    kill "$pid"
    echo "no game window"
    exit 1
fi
sleep 1
import -window root "$shot"
inside="$(convert "$shot" -crop 640x480+0+0 +repage -format '%c' histogram:info:- | wc -l)"
inside_colour="$(convert "$shot" -crop 640x480+0+0 +repage -format '%c' histogram:info:- | grep -c '#000000')"
outside="$(convert "$shot" -crop 300x200+700+500 +repage -format '%c' histogram:info:- | grep -c '#FFFFFF')"
xdotool key Escape
timeout 10 sh -c "while kill -0 $pid 2>/dev/null; do sleep 0.1; done"
wait "$pid"
code=$?
echo "window colours: $inside (black: $inside_colour); white outside: $outside; exit code $code"
[ "$inside" -eq 1 ] && [ "$inside_colour" -eq 1 ] && [ "$outside" -eq 1 ] && [ "$code" -eq 0 ]
