#!/usr/bin/env bash
# The render settings opened by puckwind-command 40002: as in the README's picture, the game
# standing still around it; GOURAUD then OK shading the table at once; Escape and Enter closing
# it; FLAT again with the keyboard alone; command 40001 ending the game, dialog and all, with 0.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
isolate "$@"

# The labels of quality, shades and the boxes, and the buttons, in a dialog of 159 by 149 units (a
# 12 pixel font, 7 pixels a character) centred on the 640 by 480 screen under a 14 pixel title bar.
labels=(80x14+208+148 54x14+357+148 70x40+230+252 240x24+196+320)
open_dialog() {
    "$command" 40002 || fail "puckwind-command 40002 failed"
    wait_for 30 "the dialog after command 40002" dialog_open
}

start_x 640x480x24
export SDL_AUDIODRIVER=dummy
start_game
wait_for 60 "the title banner standing" title_stands
xdotool mousemove 335 285  # the pointer inside the dialog, away from what is compared
expect "no dialog before the command" dialog_closed
cp "$last_shot" "$out/before.png"

open_dialog
cp "$last_shot" "$out/open.png"
for region in "${labels[@]}"; do
    expect "region $region of the dialog as on the README's picture" like_dialog "$region"
done
xdotool mousemove 260 201 click 1
wait_for 20 "GOURAUD checked" eval 'shot gouraud && ! same "$out/open.png" "$last_shot" 1x1+222+201'
for region in 180x480+0+0 180x480+460+0; do
    expect "the picture around the dialog ($region) as before it, and standing still" eval \
        'same "$out/before.png" "$out/open.png" $region 15% && same "$out/open.png" "$last_shot" $region'
done
xdotool mousemove 234 332 click 1
wait_for 20 "OK closing the dialog" dialog_closed
# GOURAUD takes effect at once (the keys: the screen session, at twice the size).
wait_for 20 "GOURAUD shading" eval 'shot gouraud && ! same "$out/before.png" "$last_shot" 640x150+0+330 3%'

open_dialog
xdotool key Escape
wait_for 20 "Escape closing the dialog" dialog_closed
open_dialog  # the game still runs: Escape went to the dialog only
xdotool key Tab Tab Tab Down Return  # past the buttons to GOURAUD, FLAT above it, then OK
wait_for 20 "Enter closing the dialog" dialog_closed
wait_for 20 "FLAT again" eval 'shot flat && same "$out/before.png" "$last_shot" 640x150+0+330 3%'
xdotool key Escape
ends_well "Escape after the dialog"

start_game
wait_for 60 "the title banner standing (second start)" title_stands
open_dialog
"$command" 40001 || fail "puckwind-command 40001 failed while the dialog was open"
ends_well "command 40001 while the dialog was open"
echo "ok"
