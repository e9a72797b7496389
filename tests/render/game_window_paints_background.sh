#!/bin/sh
# Runs the game on a white 1024x768 X screen (Xvfb), where 640x480 is not offered: the game's
# window stays at the top-left, and its corners, where no part of the scene reaches, must show
# the black scene background drawn through the real device and paint path. Escape then ends the
# game with code 0.
# Usage: game_window_paints_background.sh PUCKWIND_BINARY
set -u
if [ "${1:-}" != "--on-xvfb" ]; then
    # A game of another test of this user would make ours a second instance that ends at once;
    # a network namespace of our own (where one can be had) keeps the instance endpoints apart.
    run_apart=""
    if unshare -n true 2>/dev/null; then
        run_apart="unshare -n"
    fi
    exec $run_apart xvfb-run -a -s "-screen 0 1024x768x24 -wr" "$0" --on-xvfb "$@"
fi
game="$2"
shot="$(mktemp --suffix=.png)"
trap 'rm -f "$shot"' EXIT
"$(dirname "$0")/../e2e/with_gl_driver.sh" "$game" &
pid=$!
if ! timeout 10 xdotool search --sync --class PUCKWIND >/dev/null; then
    kill "$pid" 2>/dev/null
    echo "no game window"
    exit 1
fi
sleep 1
import -window root "$shot"
# The colours found in a patch of the screenshot, one per line.
colours() {
    convert "$shot" -crop "$1" +repage -format '%c' histogram:info:- |
        sed 's/.*#\([0-9A-F]\{6\}\).*/\1/'
}
corners="$(for patch in 40x40+0+0 40x40+600+0 40x40+0+440 40x40+600+440; do
    colours "$patch"
done | sort -u)"
outside="$(colours 300x200+700+500 | sort -u)"
xdotool key Escape
timeout 10 sh -c "while kill -0 $pid 2>/dev/null; do sleep 0.1; done"
wait "$pid"
code=$?
echo "window corners: $corners; outside the window: $outside; exit code $code"
[ "$corners" = "000000" ] && [ "$outside" = "FFFFFF" ] && [ "$code" -eq 0 ]
