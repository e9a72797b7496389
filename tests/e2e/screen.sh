#!/usr/bin/env bash
# Screens larger than 640 by 480, wide and portrait: the window fills the screen at its mode, the
# picture centred with black bars, a click on it serving and the serve putting the pointer at
# (320, 360) of the picture, a move of N screen pixels moving the mallet N / scale, the pointer
# kept on the picture, Alt+Enter both ways with the settings open (the mode switched, the settings
# kept), the settings at twice the size changed by keys alone; `--window` decorated, resizable,
# the picture centred when resized, the serve's pointer in it; `--help`, an unknown option (2)
# and no display (1) in one line each.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
isolate "$@"
export SDL_AUDIODRIVER=dummy

"$game" --help >"$out/help.stdout" && grep -q -- '--window' "$out/help.stdout" ||
    fail "--help does not list --window: $(cat "$out/help.stdout")"
one_line() {  # STATUS PATTERN WHAT: the run just ended with STATUS, one line and no endpoint
    local code=$?
    [ $code = "$1" ] && [ "$(wc -l <"$out/run.stderr")" = 1 ] && grep -q -- "$2" "$out/run.stderr" &&
        [ ! -e "$XDG_RUNTIME_DIR/puckwind" ] || fail "$3 (status $code): $(cat "$out/run.stderr")"
}
"$game" --fullscreen 2>"$out/run.stderr"; one_line 2 "'--fullscreen'" "an unknown option"
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 20 "$game" 2>"$out/run.stderr"
one_line 1 'no display' "no display"

# The screen in $out/screen.png, and the picture cut from it and brought to 640 by 480 in
# $out/NAME.png, so that lib.sh's checks of the picture hold at any scale.
shot() {
    [ -n "$last_shot" ] && cp "$last_shot" "$out/previous.png"
    last_shot=$out/$1.png
    import -window root "$out/screen.png" &&
        convert "$out/screen.png" -crop "$pw"x"$ph"+$px+$py +repage -resize '640x480!' "$last_shot"
}
tolerance=15  # brought back to 640 by 480, the lettering's edges blend into the table
bars_black() {  # the screen with the picture painted over is black
    local picture="rectangle $px,$py $((px + pw - 1)),$((py + ph - 1))"
    [ "$(convert "$out/screen.png" -fill black -draw "$picture" -format '%[fx:maxima * 255 <= 10]' info:)" = 1 ]
}
to_screen() { echo $((px + ($1 * pw + 639) / 640)) $((py + ($2 * ph + 479) / 480)); }
pointer_at() { seen=$(xdotool getmouselocation) && [ "${seen% screen*}" = "x:$1 y:$2" ]; }
serves() {  # a click away from the serve's point serves and puts the pointer there
    xdotool mousemove $(to_screen 100 300) click 1
    wait_for 20 "a click on the picture serving" banner_gone
    wait_for 10 "the serve putting the pointer at (320, 360) of the picture" pointer_at $(to_screen 320 360)
}
near=260x90+190+280
settings_shown() {  # their light left edge, where the picture is black beside the table
    [ "$(pixels "$last_shot" 6x20+182+290 'r + g + b > 300' | cut -d' ' -f1)" -gt 100 ]
}
mallet_x() { pixels "$last_shot" $near 'r < 60 && g < 60 && b > 120' | cut -d' ' -f2; }
mallet_moved() {  # the mallet's x against $1, within $2 picture pixels of $3
    shot mallet && seen="mallet at $(mallet_x), from $1" && d=$(($(mallet_x) - $1 - $3)) &&
        [ ${d#-} -le "$2" ]
}

for screen in 1024x768 1280x960 1080x1920 1920x1080; do
    w=${screen%x*} h=${screen#*x}
    pw=$((h * 4 / 3 < w ? h * 4 / 3 : w)) && ph=$((pw * 3 / 4))
    px=$(((w - pw) / 2)) py=$(((h - ph) / 2)) factor=$((w / 640 < h / 480 ? w / 640 : h / 480))
    start_x "$screen"x24 -wr
    start_game
    wait_for 30 "the window filling the $screen screen" geometry "$screen+0+0"
    wait_for 30 "the title standing in the centred picture, black bars beside it" \
        eval 'title_stands && bars_black'
    if [ $screen = 1280x960 ]; then  # the settings at twice the size, from the keyboard alone
        cp "$last_shot" "$out/flat.png" && "$command" 40002 || fail "puckwind-command 40002 failed"
        wait_for 20 "the dialog" eval 'shot dialog && ! same "$out/flat.png" "$last_shot" 9x9+186+300'
        xdotool key Tab Tab Tab Down Return  # to the checked FLAT, down to GOURAUD, OK
        wait_for 20 "GOURAUD shading" eval 'shot gouraud && ! same "$out/flat.png" "$last_shot" 640x110+0+370 3%'
    fi
    serves
    x0=$(mallet_x)
    # 40 picture pixels to the right move the mallet as 40 pixels do on a 640 by 480 screen.
    xdotool mousemove $(to_screen 360 360)
    wait_for 20 "the mallet following 40 picture pixels" mallet_moved "$x0" 3 28
    # Pushed far to the left, then up, the pointer stops at the picture's corner (moves relative
    # to it: the X server holds those at the game's bounds, where absolute ones jump them).
    xdotool mousemove_relative -- -4000 0 mousemove_relative -- 0 -4000
    wait_for 10 "the pointer held at the picture's top left corner" pointer_at $px $py
    # Alt+Enter with the settings open switches the mode and leaves them open; Escape closes them.
    "$command" 40002 || fail "puckwind-command 40002 failed"
    wait_for 20 "the settings over the rally" eval 'shot dialog && settings_shown'
    xdotool key alt+Return
    window=$((640 * factor))x$((480 * factor))+$(((w - 640 * factor) / 2))+$(((h - 480 * factor) / 2))
    wait_for 10 "Alt+Enter making a $window window" geometry "$window"
    xdotool key alt+Return
    wait_for 10 "Alt+Enter making the game full screen again" geometry "$screen+0+0"
    wait_for 20 "the settings open after Alt+Enter" eval 'shot dialog && settings_shown'
    xdotool key Escape
    wait_for 20 "Escape closing the settings" eval 'shot closed && ! settings_shown'
    xdotool key Escape
    ends_well "Escape at $screen"
    [ $screen = 1920x1080 ] || stop_x
done

# A window manager that knows the decoration hint (it is left out where its atom is unknown).
xprop -root -f _MOTIF_WM_HINTS 32c -set _MOTIF_WM_HINTS 0
games=$((games + 1)) errors=$out/window.stderr
"$game" --window 2>"$errors" &
pid=$!
wait_for 30 "--window making a 1280x960 window in the middle" geometry 1280x960+320+60
hints=$(xprop -id "$(game_window)" _MOTIF_WM_HINTS WM_NORMAL_HINTS)
grep -q '= 0x2, 0x0, 0x1' <<<"$hints" && ! grep -q 'maximum size: 1280 by 960' <<<"$hints" ||
    fail "the window is not decorated and resizable: $hints"
xdotool windowsize "$(game_window)" 1600 900  # wider: the picture 1200 by 900 in its middle
px=520 py=60 pw=1200 ph=900
wait_for 20 "the title centred in the widened window" title_stands
serves
xdotool key Escape
ends_well "Escape in a window"
echo "ok"
