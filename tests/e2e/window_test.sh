#!/usr/bin/env bash
# The real game under Xvfb: its window, its single instance, its ways out.
# Usage: window_test.sh BUILD_DIR CASE
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
isolate "$@"
build=$1
game=$build/src/shell/puckwind
command=$build/tools/command/puckwind-command

"$game" &
pid=$!
# A failed check must not leave the game holding the test's output open.
trap 'kill $pid 2>/dev/null' EXIT
win=$(wait_window PUCKWIND) || fail "no window named PUCKWIND appeared"

case $2 in
  window)
    geometry=$(xwininfo -id "$win")
    grep -q 'Absolute upper-left X:  0$' <<<"$geometry" || fail "window not at x 0: $geometry"
    grep -q 'Absolute upper-left Y:  0$' <<<"$geometry" || fail "window not at y 0"
    grep -q 'Width: 640$' <<<"$geometry" || fail "window not 640 wide"
    grep -q 'Height: 480$' <<<"$geometry" || fail "window not 480 high"
    xprop -id "$win" WM_CLASS | grep -q '"PUCKWIND"' || fail "window class is not PUCKWIND"
    ;;
  escape)
    xdotool key a space Return
    sleep 0.3
    kill -0 $pid 2>/dev/null || fail "the game ended on a key other than Escape"
    xdotool key Escape
    wait_exit $pid || fail "Escape did not end the game"
    [ "$exit_code" -eq 0 ] || fail "exit code $exit_code after Escape"
    ;;
  second-instance)
    start=$(date +%s%N)
    timeout 5 "$game"
    code=$?
    took=$((($(date +%s%N) - start) / 1000000))
    [ $code -eq 0 ] || fail "second instance exited with $code"
    [ $took -lt 2000 ] || fail "second instance took $took ms"
    [ "$(xdotool search --name '^PUCKWIND$' | wc -l)" -eq 1 ] || fail "a second window appeared"
    kill -0 $pid 2>/dev/null || fail "the first instance ended"
    ;;
  command-exit)
    "$command" 40001 || fail "puckwind-command 40001 failed"
    wait_exit $pid || fail "command 40001 did not close the game"
    [ "$exit_code" -eq 0 ] || fail "exit code $exit_code after command 40001"
    "$command" 40001 2>/dev/null && fail "a command reached a game that is not running"
    ;;
  *)
    fail "unknown case $2"
    ;;
esac
kill $pid 2>/dev/null
wait $pid 2>/dev/null
echo "ok: $2"
