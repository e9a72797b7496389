#!/usr/bin/env bash
# The X server goes away underneath a running game: the game must end within a few seconds
# rather than spin on the dead connection.
# Usage: display_lost_test.sh PUCKWIND
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
game=$1
# A network namespace of our own (the single-instance endpoint), but our own X server: this
# test kills it.
if [ -z "${PUCKWIND_E2E_INSIDE:-}" ]; then
    export PUCKWIND_E2E_INSIDE=1
    if unshare --net true 2>/dev/null; then
        exec unshare --net bash "$0" "$@"
    elif unshare --net --map-root-user true 2>/dev/null; then
        exec unshare --net --map-root-user bash "$0" "$@"
    fi
fi
fifo=$(mktemp -u)
mkfifo "$fifo"
exec 3<>"$fifo"
rm -f "$fifo"
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
read -r -t 10 number <&3 || fail "Xvfb did not start"
export DISPLAY=:$number SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null
"$game" 2>"${TMPDIR:-/tmp}/display_lost.$$" &
pid=$!
trap 'kill $pid $xvfb 2>/dev/null; rm -f "${TMPDIR:-/tmp}/display_lost.$$"' EXIT
wait_window PUCKWIND 10 >/dev/null || fail "no window named PUCKWIND appeared"
sleep 1
kill $xvfb
wait $xvfb 2>/dev/null
wait_exit $pid 5 || fail "the game still runs 5 s after its X server ended"
[ "$exit_code" -ne 0 ] || fail "exit code 0 although the display went away"
grep -q 'connection to the display was lost' "${TMPDIR:-/tmp}/display_lost.$$" ||
    fail "no word on the lost display: $(cat "${TMPDIR:-/tmp}/display_lost.$$")"
echo "ok: ended with $exit_code after its X server went away"
