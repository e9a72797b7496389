#!/usr/bin/env bash
# The real game under valgrind's memcheck, in an Xvfb of its own: start, the title, a click that
# serves, some play by a scripted mouse that sweeps the near half of the table, Escape. Fails on any memcheck error or definite leak.
# Slow (the software GL driver runs under valgrind too), so it is not part of `make test`.
# Usage: scripts/valgrind.sh [BUILD_DIR] [PLAY_SECONDS]   defaults: build/default, 20
# The log is left in BUILD_DIR/valgrind.txt.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build/default}")
play=${2:-20}
game=$build/src/app/puckwind
if [ -z "${PUCKWIND_VALGRIND_IN_XVFB:-}" ]; then
    apart=()
    if unshare -n true 2>/dev/null; then
        apart=(unshare -n)
    elif unshare -n --map-root-user true 2>/dev/null; then
        apart=(unshare -n --map-root-user)
    fi
    exec env PUCKWIND_VALGRIND_IN_XVFB=1 "${apart[@]}" xvfb-run -a -s "-screen 0 640x480x24" \
        "$0" "$build" "$play"
fi
log=$build/valgrind.txt
supp=()
[ -f "$root/tests/valgrind.supp" ] && supp=(--suppressions="$root/tests/valgrind.supp")
SDL_AUDIODRIVER=dummy valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
    --show-leak-kinds=definite --errors-for-leak-kinds=definite --track-origins=no --keep-debuginfo=yes --num-callers=30 \
    "${supp[@]}" --log-file="$log" "$game" &
pid=$!
for _ in $(seq 600); do
    xdotool search --name '^PUCKWIND$' >/dev/null 2>&1 && break
    sleep 0.1
done
sleep 10  # the title, slowly
xdotool mousemove 320 360 click 1
end=$((SECONDS + play))
while [ $SECONDS -lt $end ]; do
    for x in 200 380 260 440 320; do
        xdotool mousemove $x 360 sleep 0.1 mousemove $x 205 sleep 0.1
    done
    xdotool click 1
done
xdotool key Escape
wait $pid
code=$?
grep -E 'ERROR SUMMARY|definitely lost|indirectly lost' "$log"
echo "valgrind: exit code $code (99: memcheck found errors)"
exit $code
