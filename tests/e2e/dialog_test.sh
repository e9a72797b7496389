#!/usr/bin/env bash
# The render settings dialog in the real game under Xvfb, opened from outside by
# puckwind-command 40002.
# Usage: dialog_test.sh BUILD_DIR REFERENCE_PNG CASE
#   open-pick-ok  the dialog shows its title and labels (compared with the reference picture),
#                 the picture behind it stands still, a click on GOURAUD checks it, OK closes
#                 it, and Escape then ends the game
#   keys          Escape cancels the dialog without ending the game; Enter presses OK
#   exit-while-open  command 40001 still ends the game, dialog and all, with code 0
# The screenshot of the open dialog is left in BUILD_DIR/tests/e2e/dialog.png.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
isolate "$@"
build=$1
reference=$2
game=$build/src/shell/puckwind
command=$build/tools/command/puckwind-command
shots=$build/tests/e2e
mkdir -p "$shots"

# Where the dialog stands on the 640 by 480 screen: 159 by 149 dialog units in a 12 pixel font
# whose average character is 7 pixels wide, centred, under a 14 pixel title bar.
title=120x13+182+121      # "レンダリング設定"
labels=(80x14+208+148     # "レンダー品質"
        54x14+357+148     # "陰影階調"
        70x40+230+252     # "ディザリング", "影の表示"
        240x24+196+320)   # "OK", "ｷｬﾝｾﾙ", "更新"
gouraud_label="260 201"
gouraud_dot="222,201"
ok_button="234 332"
outside=(180x480+0+0 180x480+460+0)

shot() { import -window root "$1"; }
# Pixels that differ between the same region of two pictures.
differ() {
    convert "$1" -crop "$3" +repage "$shots/a.png"
    convert "$2" -crop "$3" +repage "$shots/b.png"
    compare -metric AE -fuzz 15% "$shots/a.png" "$shots/b.png" null: 2>&1
}
pixel() { convert "$1" -format "%[pixel:p{$2}]" info:; }
# The dialog's title bar is there, as in the reference picture.
dialog_shown() {
    local n
    n=$(differ "$1" "$reference" $title)
    [ "$n" -le 20 ] 2>/dev/null
}

"$game" &
pid=$!
trap 'kill $pid 2>/dev/null' EXIT
wait_window PUCKWIND >/dev/null || fail "no window named PUCKWIND appeared"
sleep 0.5                     # the title banner has come in
xdotool mousemove 335 285     # the cursor away from what is compared (inside the dialog)
sleep 0.2
shot "$shots/before.png"
dialog_shown "$shots/before.png" && fail "a dialog is shown before the command"

"$command" 40002 || fail "puckwind-command 40002 failed"
sleep 0.7
shot "$shots/dialog.png"
dialog_shown "$shots/dialog.png" || fail "no dialog after command 40002"
kill -0 $pid 2>/dev/null || fail "the game ended on command 40002"

case $3 in
  open-pick-ok)
    for region in "${labels[@]}"; do
        n=$(differ "$shots/dialog.png" "$reference" "$region")
        [ "$n" -le 20 ] 2>/dev/null || fail "region $region differs from the reference in $n pixels"
    done
    # The game stands still behind the dialog: nothing outside it changes.
    sleep 1
    shot "$shots/dialog-later.png"
    for region in "${outside[@]}"; do
        n=$(differ "$shots/dialog.png" "$shots/dialog-later.png" "$region")
        [ "$n" = 0 ] || fail "the picture behind the dialog changed ($n pixels in $region)"
    done
    for region in "${outside[@]}"; do
        n=$(differ "$shots/before.png" "$shots/dialog.png" "$region")
        [ "$n" = 0 ] || fail "the picture behind the dialog is not the one before it ($region)"
    done

    dot_before=$(pixel "$shots/dialog.png" $gouraud_dot)
    xdotool mousemove $gouraud_label click 1
    sleep 0.5
    shot "$shots/gouraud.png"
    dot_after=$(pixel "$shots/gouraud.png" $gouraud_dot)
    [ "$dot_before" != "$dot_after" ] || fail "GOURAUD did not become checked ($dot_after)"

    xdotool mousemove $ok_button click 1
    sleep 0.5
    shot "$shots/after.png"
    dialog_shown "$shots/after.png" && fail "OK did not close the dialog"
    kill -0 $pid 2>/dev/null || fail "the game ended on OK"
    xdotool key Escape
    wait_exit $pid || fail "Escape did not end the game after the dialog"
    [ "$exit_code" -eq 0 ] || fail "exit code $exit_code"
    ;;
  keys)
    xdotool key Escape
    sleep 0.5
    shot "$shots/keys-escape.png"
    dialog_shown "$shots/keys-escape.png" && fail "Escape did not cancel the dialog"
    kill -0 $pid 2>/dev/null || fail "Escape in the dialog ended the game"
    "$command" 40002 || fail "puckwind-command 40002 failed the second time"
    sleep 0.7
    shot "$shots/keys-again.png"
    dialog_shown "$shots/keys-again.png" || fail "the dialog did not open a second time"
    xdotool key Return
    sleep 0.5
    shot "$shots/keys-enter.png"
    dialog_shown "$shots/keys-enter.png" && fail "Enter did not close the dialog"
    xdotool key Escape
    wait_exit $pid || fail "Escape did not end the game after the dialog"
    [ "$exit_code" -eq 0 ] || fail "exit code $exit_code"
    ;;
  exit-while-open)
    "$command" 40001 || fail "puckwind-command 40001 failed while the dialog was open"
    wait_exit $pid || fail "command 40001 did not close the game behind its dialog"
    [ "$exit_code" -eq 0 ] || fail "exit code $exit_code after command 40001"
    ;;
  *)
    fail "unknown case $3"
    ;;
esac
echo "ok: $3"
