#!/usr/bin/env bash
# A short run of the game built with the sanitizers: the title, a click that serves, a few mouse
# moves, the settings dialog opened by command 40002 and closed by Escape, then Escape; the game
# ends with 0 and without a sanitizer's report.
# Usage: smoke.sh PUCKWIND PUCKWIND_COMMAND OUT_DIR
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
isolate "$@"

start_x 640x480x24
start_game SDL_AUDIODRIVER=dummy
wait_for 120 "the title banner standing" title_stands
xdotool mousemove 320 360 click 1
wait_for 60 "a click serving (the title banner gone)" banner_gone
xdotool mousemove_relative -- 60 -40 mousemove_relative -- -120 20 mousemove_relative -- 60 20
"$command" 40002 || fail "puckwind-command 40002 failed"
wait_for 60 "the dialog after command 40002" dialog_open
xdotool key Escape
wait_for 60 "Escape closing the dialog" dialog_closed
xdotool key Escape
ends_well Escape
! grep -iE 'sanitizer|runtime error' "$errors" || fail "a sanitizer's report"
echo "ok"
