#!/usr/bin/env bash
# Runs of the real game that must end well although something is missing.
# Usage: fault_test.sh PUCKWIND CASE
#   no-video       no usable video driver: a quiet exit with 0, at once
#   no-gl33        OpenGL limited to 2.1, so no 3.3 core context can be made: the same
#   display-800x600  a display without 640 by 480: the game runs windowed, at (0,0), 640 by 480,
#                  and Escape ends it with 0
# (No audio device: silent_without_audio.sh. A scene whose AddFaces fails: the render tests.)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
game=$1
case=$2
if [ -z "${PUCKWIND_E2E_INSIDE:-}" ]; then
    export PUCKWIND_E2E_INSIDE=1
    screen=640x480x24
    [ "$case" = display-800x600 ] && screen=800x600x24
    wrap=()
    if unshare --net true 2>/dev/null; then
        wrap=(unshare --net)
    elif unshare --net --map-root-user true 2>/dev/null; then
        wrap=(unshare --net --map-root-user)
    fi
    exec "${wrap[@]}" xvfb-run -a -s "-screen 0 $screen" bash "$0" "$@"
fi
export SDL_AUDIODRIVER=dummy
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT

# The game gives up at once, with 0 and nothing alarming on its error output.
quiet_exit() {
    local start took code
    start=$(date +%s%N)
    timeout 20 env "$@" "$game" 2>"$errors"
    code=$?
    took=$((($(date +%s%N) - start) / 1000000))
    [ $code -eq 0 ] || fail "exit code $code; $(cat "$errors")"
    [ $took -lt 5000 ] || fail "took $took ms to give up"
    grep -qiE 'sanitizer|runtime error|segmentation|abort' "$errors" && fail "$(cat "$errors")"
    echo "ok: gave up in $took ms with 0"
}

case $case in
  no-video)
    quiet_exit SDL_VIDEODRIVER=no-such-driver
    ;;
  no-gl33)
    quiet_exit LIBGL_ALWAYS_SOFTWARE=1 MESA_GL_VERSION_OVERRIDE=2.1
    ;;
  display-800x600)
    "$game" 2>"$errors" &
    pid=$!
    win=$(wait_window PUCKWIND 10) || fail "no window named PUCKWIND appeared"
    sleep 1
    geometry=$(xwininfo -id "$win")
    grep -q 'Absolute upper-left X:  0$' <<<"$geometry" || fail "window not at x 0: $geometry"
    grep -q 'Absolute upper-left Y:  0$' <<<"$geometry" || fail "window not at y 0: $geometry"
    grep -q 'Width: 640$' <<<"$geometry" || fail "window not 640 wide: $geometry"
    grep -q 'Height: 480$' <<<"$geometry" || fail "window not 480 high: $geometry"
    xdpyinfo | grep -q 'dimensions: *800x600 pixels' || fail "the display's mode was changed"
    # The game draws in its window: the title's table is there, not black.
    import -window root -crop 640x480+0+0 +repage "$errors.png"
    colours=$(convert "$errors.png" -format %k info:)
    rm -f "$errors.png"
    [ "$colours" -gt 50 ] || fail "the window shows $colours colours"
    xdotool key Escape
    wait_exit $pid 10 || { kill $pid; fail "Escape did not end the game"; }
    [ "$exit_code" -eq 0 ] || fail "exit code $exit_code after Escape"
    echo "ok: windowed at (0,0), 640 by 480, on an 800 by 600 display"
    ;;
  *)
    fail "unknown case $case"
    ;;
esac
