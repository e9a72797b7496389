#!/usr/bin/env bash
# A match as a player sees and hears it: the title stands and its jingle loops (SDL's disk
# driver records it); a click serves; the mallet follows the mouse; play freezes while another
# window has the focus; the first goal changes the scoreboard against a picture taken right after
# the serve; Escape ends the game with 0. With a 4th argument "whole", play goes on to the result
# banner, and a click there returns to the title.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
isolate "$@"

start_x 640x480x24
start_game SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$out/sound.raw"
wait_for 60 "the title banner standing" title_stands

# The jingle starts once the title stands, and loops: a period (43508 samples at 11025 Hz, so
# 174032 frames of the 44100 Hz output) on, the output is the same again.
jingle_loops() {
    seen=$(python3 - "$out/sound.raw" <<'PY'
import array, sys
data = open(sys.argv[1], 'rb').read()
left = array.array('h', data[:len(data) // 4 * 4])[0::2]
start = next((i for i, s in enumerate(left) if abs(s) > 64), len(left)) + 1000
a, b = left[start:start + 22050], left[start + 174032:start + 196082]
print(f"sound from frame {start - 1000} of {len(left)}; a period on, differences up to",
      max((abs(x - y) for x, y in zip(a, b)), default="?"))
sys.exit(len(b) < 22050 or sum(x * x for x in a) < 22050 * 500**2 or a != b and
         max(abs(x - y) for x, y in zip(a, b)) > 1)
PY
    )
}
wait_for 30 "the title jingle looping" jingle_loops

table=300x260+170+110    # the table
near=260x90+190+280      # the near quarter, where the player's mallet is
mallet_x() { pixels "$last_shot" $near 'r < 60 && g < 60 && b > 120' | cut -d' ' -f2; }
mallet_at() {  # OPERATOR X: the mallet's mean x on a new screenshot against X
    shot mallet && seen="mallet at x $(mallet_x), wanted $1 $2" && [ "$(mallet_x)" "$1" "$2" ]
}

xdotool mousemove 320 360 click 1
wait_for 20 "a click serving (the title banner gone)" banner_gone
cp "$last_shot" "$out/served.png"
x0=$(mallet_x)

# Without the focus play stands still, and a mouse move made after the focus went (the game
# reads X events in order) leaves the mallet where it was; with the focus back it goes there, so
# it follows the mouse (e2e.screen follows it in a rally on each screen).
xmessage -geometry 100x40+540+440 elsewhere &
wait_for 20 "another window" eval 'other=$(xdotool search --onlyvisible --name "^xmessage$")'
xdotool windowfocus --sync "$other" mousemove_relative -- 40 0
wait_for 20 "play standing still without the focus" eval 'shot still && same "$out/previous.png" \
    "$last_shot" $table'
expect "the mallet standing still without the focus" mallet_at -le $((x0 + 3))
xdotool windowfocus --sync "$(game_window)"
wait_for 20 "play going on with the focus back" mallet_at -ge $((x0 + 15))

# The mallet sweeps the near half (a puck at rest there is out of the computer's reach) at the
# pace of a hand, then a screenshot: a goal changes a digit against the picture $ref.
faces=(24x20+189+212 24x22+189+234)  # the computer's digit and the player's
goals=(0 0)
scored() {
    local x side changed=""
    for x in 200 380 260 440 320; do
        xdotool mousemove $x 360 sleep 0.05 mousemove $x 205 sleep 0.05
    done
    shot play || return 1
    for side in 0 1; do
        if [ "$(differ "$ref" "$last_shot" "${faces[side]}")" -gt 10 ]; then
            goals[side]=$((goals[side] + 1)) changed=yes
        fi
    done
    seen="goals ${goals[*]}"
    [ -n "$changed" ]
}
ref=$out/served.png
wait_for 120 "a goal changing the scoreboard" scored

if [ "${4:-}" = whole ]; then
    # A click after a goal serves; after a side's fifth it brings the result banner, and clicks
    # on a result banner seen (the first once it has come in) go back to the title.
    while [ "${goals[0]}" -lt 5 ] && [ "${goals[1]}" -lt 5 ]; do
        cp "$last_shot" "$out/ref.png" && ref=$out/ref.png && xdotool click 1
        wait_for 120 "the next goal after ${goals[*]}" scored
    done
    xdotool click 1
    result=""
    back_to_title() {
        shot result-or-title && set -- $(lettering) && seen="lettering $*"
        [ "$1" -ge 300 ] && [ "$2" -ge 300 ] && return  # the title logo's two colours
        [ $(($1 + $2)) -ge 1500 ] && cp "$last_shot" "$out/result.png" && xdotool click 1 &&
            result=$([ "$1" -gt "$2" ] && echo win || echo lose)
        return 1
    }
    wait_for 30 "a result banner, and a click on it going back to the title" back_to_title
    wait_for 20 "the title banner standing after the match" title_stands
    [ "$result" = "$([ "${goals[1]}" = 5 ] && echo win || echo lose)" ] ||
        fail "a '$result' banner after goals ${goals[*]} (the computer's first)"
fi

xdotool key Escape
ends_well Escape
echo "ok: goals ${goals[*]} (the computer's first) ${result:-}"
