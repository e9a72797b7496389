#!/usr/bin/env bash
# Runs that must end well although something is missing or goes away: no usable video driver, no
# OpenGL 3.3 (a quiet exit with 0 at once); the endpoint's folder taken first by another user (it
# plays on without it, saying once why and what to do); the X server killed under the game (it
# ends at once, not 0, and says why).
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
isolate "$@"
export SDL_AUDIODRIVER=dummy

# The game gives up at once, with 0 and nothing alarming on its standard error.
gives_up() {
    start_game "$@"
    ends_well "a start with $*"
    ! grep -iE 'sanitizer|runtime error|segmentation|abort' "$errors" || fail "with $*"
}
gives_up SDL_VIDEODRIVER=no-such-driver

start_x 640x480x24
gives_up LIBGL_ALWAYS_SOFTWARE=1 MESA_GL_VERSION_OVERRIDE=2.1

mkdir -m 0755 "$out/tmp" "$out/tmp/puckwind-$(id -u)"  # as another user would leave it
start_game -u XDG_RUNTIME_DIR TMPDIR="$out/tmp"
wait_for 60 "the title with the endpoint's folder taken" title_stands
[ "$(wc -l <"$errors")" = 1 ] && grep -q "puckwind-$(id -u) is not a folder.*TMPDIR" "$errors" ||
    fail "not one line on the folder taken: $(cat "$errors")"
xdotool key Escape && ends_well "Escape"

start_game
wait_for 60 "the title" title_stands
stop_x
wait_exit "$pid" 20 || fail "the game still runs 20 s after its X server ended"
[ "$exit_code" != 0 ] || fail "exit code 0 although the display went away"
grep -q 'connection to the display was lost' "$errors" ||
    fail "no word on the lost display: $(cat "$errors")"
echo "ok"
