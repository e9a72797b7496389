#!/usr/bin/env bash
# The window and the single instance, the game silent (no audio device) and saying so in one
# line: a 640 by 480 window of class PUCKWIND at (0,0) with the title on black, a second instance
# that ends at once with 0 (its recording and trace neither made nor written over), keys other
# than Escape doing nothing, puckwind-command refusing an ID out of range as usage (2), 40001
# closing the game with 0 (a later command finds no game), and `make run` without a display
# saying so in one line.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
isolate "$@"

out_line=$(env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$here/../../scripts/run-game.sh" \
    /bin/true 2>&1) && fail "run-game.sh without a display ended with 0"
[ "$(wc -l <<<"$out_line")" = 1 ] && grep -q 'no display' <<<"$out_line" ||
    fail "run-game.sh without a display did not say so in one line: $out_line"

# A white root window: where the game did not paint, the screenshot shows white.
start_x 640x480x24 -wr
export SDL_AUDIODRIVER=alsa AUDIODEV=no-such-device  # as on a machine without a sound card
start_game
black_corners() {
    local patch
    for patch in 40x40+0+0 40x40+600+0 40x40+0+440 40x40+600+440; do
        [ "$(pixels "$last_shot" $patch 'r + g + b > 0')" = "0 -1 -1" ] || return 1
    done
}
wait_for 60 "the title standing on the black background" eval 'title_stands && black_corners'
expect "the window at the top left, 640 by 480" geometry 640x480+0+0
xprop -id "$(game_window)" WM_CLASS | grep -q '"PUCKWIND"' || fail "window class is not PUCKWIND"

echo kept >"$out/kept.sim"
timeout 30 "$game" --record "$out/kept.sim" --trace "$out/new.jsonl" 2>"$out/second.stderr" ||
    fail "a second instance ended with $?"
[ "$(cat "$out/kept.sim")" = kept ] && [ ! -e "$out/new.jsonl" ] ||
    fail "a second instance wrote its recording or trace"
[ "$(xdotool search --name '^PUCKWIND$' | wc -l)" = 1 ] || fail "a second window appeared"
expect "the first instance running beside a second" running

# Keys reach the game in order: a click after them is handled, so they were too.
xdotool key a space Return mousemove 320 360 click 1
wait_for 20 "the click after the keys serving (the title banner gone)" banner_gone
expect "the game running after keys other than Escape" running

"$command" 99999999999999999999999 2>/dev/null; [ $? = 2 ] || fail "an ID out of range: not 2"
"$command" 40001 || fail "puckwind-command 40001 failed"
ends_well "command 40001"
[ "$(wc -l <"$errors")" = 1 ] && grep -q '^puckwind: no audio device (ALSA: ' "$errors" ||
    fail "standard error is not one line on the missing audio device: $(cat "$errors")"
"$command" 40001 2>/dev/null && fail "a command reached a game that is not running"
echo "ok"
