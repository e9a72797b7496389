#!/usr/bin/env bash
# The Windows build under Wine, on an X server of its own: the window, its single instance, its
# ways out, the title screen, and puckwind-sim's traces and the soak's summary against the Linux
# build's.
# Usage: wine_test.sh STAGE_DIR LINUX_BUILD_DIR SOURCE_DIR CASE
# STAGE_DIR holds the installed Windows zip's contents (make windows puts them in
# build/windows/stage). Exits 77 (CTest's skip) with one "skipped:" line when Wine or the
# Windows build is missing.
set -u
stage=$1/bin
linux=$2
source=$3
case_=$4

wine=$(command -v wine64 || command -v wine || true)
if [ -z "$wine" ]; then
    echo "skipped: Wine is not installed (apt-get install wine64 wine; make windows installs it)"
    exit 77
fi
if [ ! -x "$stage/puckwind.exe" ]; then
    echo "skipped: no Windows build in $1 (make windows builds it)"
    exit 77
fi

if [ -z "${PUCKWIND_WINE_INSIDE:-}" ]; then
    export PUCKWIND_WINE_INSIDE=1
    exec xvfb-run -a -s "-screen 0 640x480x24" bash "$0" "$@"
fi

# fail, wait_window and wait_exit, shared with the Linux end-to-end tests.
source "$source/tests/e2e/lib.sh"

# A Wine prefix of the test's own: its named pipes are its own too, so a game the user runs
# under Wine does not meet ours. Made once (wineboot takes some seconds) and copied.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" SDL_AUDIODRIVER=dummy
template=$(dirname "$1")/wine-prefix
if [ ! -d "$template/drive_c" ]; then
    rm -rf "$template.tmp"
    WINEPREFIX=$template.tmp "$wine" wineboot --init >/dev/null 2>&1 || fail "wineboot failed"
    WINEPREFIX=$template.tmp wineserver -w
    mv "$template.tmp" "$template" 2>/dev/null || rm -rf "$template.tmp"
fi
export WINEPREFIX=$(mktemp -d)/prefix
cp -a "$template" "$WINEPREFIX"
cleanup() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    rm -rf "$(dirname "$WINEPREFIX")"
}
trap cleanup EXIT

start_game() {
    "$wine" "$stage/puckwind.exe" >/dev/null 2>&1 &
    pid=$!
    win=$(wait_window PUCKWIND 60) || fail "no window named PUCKWIND appeared"
}

# The colours of a patch of a screenshot, one "count RRGGBB" a line.
colours() {
    convert "$1" -crop "$2" +repage -format '%c' histogram:info:- |
        sed -n 's/^ *\([0-9]*\):.*#\([0-9A-F]\{6\}\).*/\1 \2/p'
}

case $case_ in
  endpoint)
    check=$(dirname "$1")/tests/windows/endpoint_check.exe
    [ -f "$check" ] || fail "no endpoint_check.exe beside the stage"
    WINEPATH=$(winepath -w "$stage" 2>/dev/null) "$wine" "$check" | tr -d '\r'
    [ "${PIPESTATUS[0]}" -eq 0 ] || fail "the named-pipe endpoint check failed"
    ;;
  window)
    start_game
    geometry=$(xwininfo -id "$win")
    grep -q 'Absolute upper-left X:  0$' <<<"$geometry" || fail "window not at x 0: $geometry"
    grep -q 'Absolute upper-left Y:  0$' <<<"$geometry" || fail "window not at y 0"
    grep -q 'Width: 640$' <<<"$geometry" || fail "window not 640 wide"
    grep -q 'Height: 480$' <<<"$geometry" || fail "window not 480 high"
    ;;
  escape)
    start_game
    sleep 1
    xdotool windowfocus --sync "$win" 2>/dev/null
    xdotool key a space Return
    sleep 0.5
    kill -0 $pid 2>/dev/null || fail "the game ended on a key other than Escape"
    xdotool key Escape
    wait_exit $pid 10 || fail "Escape did not end the game"
    [ "$exit_code" -eq 0 ] || fail "exit code $exit_code after Escape"
    ;;
  second-instance)
    start_game
    begin=$(date +%s%N)
    timeout 20 "$wine" "$stage/puckwind.exe" >/dev/null 2>&1
    code=$?
    took=$((($(date +%s%N) - begin) / 1000000))
    [ $code -eq 0 ] || fail "second instance exited with $code"
    [ $took -lt 5000 ] || fail "second instance took $took ms"
    [ "$(xdotool search --name '^PUCKWIND$' | wc -l)" -eq 1 ] || fail "a second window appeared"
    kill -0 $pid 2>/dev/null || fail "the first instance ended"
    echo "second instance ended in $took ms"
    ;;
  command-exit)
    start_game
    "$wine" "$stage/puckwind-command.exe" 40001 || fail "puckwind-command.exe 40001 failed"
    wait_exit $pid 10 || fail "command 40001 did not close the game"
    [ "$exit_code" -eq 0 ] || fail "exit code $exit_code after command 40001"
    "$wine" "$stage/puckwind-command.exe" 40001 2>/dev/null &&
        fail "a command reached a game that is not running"
    ;;
  title-screen)
    start_game
    sleep 3
    shot=$(dirname "$WINEPREFIX")/title.png
    import -window root "$shot"
    corners=$(for patch in 40x40+0+0 40x40+600+0 40x40+0+440 40x40+600+440; do
        colours "$shot" "$patch"
    done | awk '{print $2}' | sort -u)
    table=$(colours "$shot" 20x20+240+160 | awk '{print $2}' | sort -u)
    # The banner across the middle: warm letters (red high, blue low) over much of the band.
    warm=$(colours "$shot" 440x100+100+190 | awk '
        function digit(c) { return index("0123456789ABCDEF", c) - 1 }
        function hex(s) { return 16 * digit(substr(s, 1, 1)) + digit(substr(s, 2, 1)) }
        { if (hex(substr($2, 1, 2)) > 200 && hex(substr($2, 5, 2)) < 120) n += $1 }
        END { print n + 0 }')
    cp "$shot" "$(dirname "$1")/wine-title.png"
    echo "corners: $corners; table: $table; warm banner pixels: $warm of 44000"
    [ "$corners" = "000000" ] || fail "the corners are not the black background"
    [ "$table" = "007FFF" ] || fail "the table's blue surface is not where it belongs"
    [ "$warm" -gt 4400 ] || fail "the title banner is missing"
    ;;
  settings-dialog)
    # Opened from outside by command 40002: its title bar and labels as in the README's picture
    # of the Linux build; Escape closes it and leaves the game running; 40001 then ends the game.
    reference=$source/docs/screenshots/dialog.png
    start_game
    sleep 2
    "$wine" "$stage/puckwind-command.exe" 40002 || fail "puckwind-command.exe 40002 failed"
    sleep 2
    shot=$(dirname "$WINEPREFIX")/dialog.png
    import -window root "$shot"
    cp "$shot" "$(dirname "$1")/wine-dialog.png"
    for region in 120x13+182+121 80x14+208+148 54x14+357+148 70x40+230+252 240x24+196+320; do
        convert "$shot" -crop $region +repage "$shot.a.png"
        convert "$reference" -crop $region +repage "$shot.b.png"
        n=$(compare -metric AE -fuzz 15% "$shot.a.png" "$shot.b.png" null: 2>&1)
        echo "dialog region $region: $n pixels differ from the Linux picture"
        [ "$n" -le 20 ] 2>/dev/null || fail "the dialog's region $region differs"
    done
    xdotool windowfocus --sync "$win" 2>/dev/null
    xdotool key Escape
    sleep 1
    kill -0 $pid 2>/dev/null || fail "Escape in the dialog ended the game"
    "$wine" "$stage/puckwind-command.exe" 40001 || fail "puckwind-command.exe 40001 failed"
    wait_exit $pid 10 || fail "command 40001 did not close the game"
    [ "$exit_code" -eq 0 ] || fail "exit code $exit_code after command 40001"
    ;;
  assets-check)
    # The asset checker reads the WAVE resources as the game does, and says so in the same words.
    files=("$source"/resources/*.wav)
    expected=$("$linux/tools/assets/puckwind-assets" check "${files[@]}" 2>&1) ||
        fail "the Linux checker refused a resource"
    windows_files=()
    for f in "${files[@]}"; do windows_files+=("$(winepath -w "$f" 2>/dev/null)"); done
    got=$("$wine" "$stage/puckwind-assets.exe" check "${windows_files[@]}" 2>&1 | tr -d '\r') ||
        fail "puckwind-assets.exe refused a resource"
    echo "$got"
    [ -n "$got" ] || fail "puckwind-assets.exe printed nothing"
    # File names are printed as given: compare what follows them.
    [ "$(sed 's/^.*\.wav: //' <<<"$got")" = "$(sed 's/^.*\.wav: //' <<<"$expected")" ] ||
        fail "the checker's findings differ from Linux's: $expected"
    ;;
  sim-replays)
    [ -x "$linux/tools/sim/puckwind-sim" ] || fail "no Linux puckwind-sim in $linux"
    for script in "$source"/tests/sim/replays/*.sim; do
        name=$(basename "$script" .sim)
        "$linux/tools/sim/puckwind-sim" "$script" >"$WINEPREFIX.$name.linux" ||
            fail "Linux puckwind-sim failed on $name"
        "$wine" "$stage/puckwind-sim.exe" "$(winepath -w "$script" 2>/dev/null)" \
            >"$WINEPREFIX.$name.windows" || fail "puckwind-sim.exe failed on $name"
        cmp "$WINEPREFIX.$name.linux" "$WINEPREFIX.$name.windows" ||
            fail "the traces of $name differ"
        echo "$name: $(wc -c <"$WINEPREFIX.$name.linux") bytes, sha256" \
             "$(sha256sum <"$WINEPREFIX.$name.windows" | cut -c1-16) on both"
    done
    ;;
  soak)
    # Whole matches, each a few thousand ticks of the angle tables and ComputeAngle256: the
    # summaries must agree line for line.
    soak=$(dirname "$1")/tools/sim/puckwind-soak.exe
    [ -f "$soak" ] || fail "no puckwind-soak.exe beside the stage"
    expected=$("$linux/tools/sim/puckwind-soak" 300 1 20000) || fail "Linux soak failed"
    got=$(WINEPATH=$(winepath -w "$stage" 2>/dev/null) "$wine" "$soak" 300 1 20000 | tr -d '\r') ||
        fail "Windows soak failed"
    echo "$got"
    [ "$got" = "$expected" ] || fail "the soak differs from Linux's: $expected"
    ;;
  *)
    fail "unknown case $case_"
    ;;
esac
if [ -n "${pid:-}" ]; then
    kill $pid 2>/dev/null
    wait $pid 2>/dev/null
fi
echo "ok: $case_"
