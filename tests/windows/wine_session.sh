#!/usr/bin/env bash
# The Windows build under Wine where it differs from Linux's, in one session (one X server, one
# wineserver, one game): the named-pipe endpoint, a second instance, outside commands, and the
# traces and soak summary of puckwind-sim.exe and puckwind-soak.exe, equal to Linux's.
# Usage: wine_session.sh WINDOWS_BUILD LINUX_BUILD SOURCE_DIR; fails without Wine or the build.
set -uo pipefail
build=$1 bin=$1/stage/bin linux=$2 source=$3
command -v wine >/dev/null || { echo "FAIL: no Wine (make windows installs it)" >&2; exit 1; }
[ -x "$bin/puckwind.exe" ] || { echo "FAIL: no $bin/puckwind.exe (make windows makes it)" >&2; exit 1; }
[ -n "${PUCKWIND_WINE_INSIDE:-}" ] ||
    PUCKWIND_WINE_INSIDE=1 exec xvfb-run -a -s "-screen 0 640x480x24" bash "$0" "$@"

shot="" game="" errors=$build/wine-game.err
fail() {
    echo "FAIL: $*${shot:+ (the last screenshot: $shot)}" >&2
    if [ -n "$game" ] && game_gone; then wait "$game"; echo "the game ended with $?" >&2; fi
    [ -z "$game" ] || { echo "the game's standard error:" && tail -n 20 "$errors"; } >&2
    exit 1
}
# within SECONDS COMMAND...: whether COMMAND succeeds before SECONDS have passed.
within() {
    local deadline=$((SECONDS + $1)) && shift
    until "$@"; do [ $SECONDS -lt $deadline ] && sleep 0.1 || return 1; done
}
one_window() { [ "$(xdotool search --name '^PUCKWIND$' 2>/dev/null | wc -l)" -eq 1 ]; }
game_gone() { ! kill -0 "$game" 2>/dev/null; }
run() { timeout 120 wine "$@"; }  # a Windows program, given two minutes
# The Windows name of a file: Wine's drive Z: is the root (winepath would start Wine each time).
winpath() { local p; p=$(realpath "$1") && echo "Z:${p//\//\\}"; }
# Whether the settings dialog covers the middle of the screen: its face is one flat light grey.
dialog_open() {
    shot=$build/wine-session.png && import -window root "$shot" && [ "1 srgb(240,240,240)" = \
        "$(convert "$shot" -crop 12x12+186+300 -format '%k %[pixel:p{0,0}]' info:)" ]
}

# The tests' own Wine prefix, made once per machine (wineboot takes long) and used by one session
# at a time: its named pipes are its own, so a game the user runs under Wine does not meet ours.
cache=${PUCKWIND_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/puckwind}
mkdir -p "$cache" && exec 9>"$cache/wine-prefix.lock"
flock -w 600 9 || fail "another Wine session held $cache/wine-prefix for ten minutes"
export WINEPREFIX=$cache/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export SDL_AUDIODRIVER=dummy WINEPATH=$(winpath "$bin")
if [ ! -e "$WINEPREFIX/system.reg" ]; then
    rm -rf "$WINEPREFIX.tmp"
    WINEPREFIX=$WINEPREFIX.tmp wine wineboot --init >/dev/null 2>&1 || fail "wineboot failed"
    WINEPREFIX=$WINEPREFIX.tmp wineserver -w && mv -T "$WINEPREFIX.tmp" "$WINEPREFIX"
fi
wineserver -k 2>/dev/null  # one that a killed session left
wineserver -p || fail "wineserver did not start"
trap 'wineserver -k; wineserver -w' EXIT

run "$build/tests/windows/endpoint_check.exe" | tr -d '\r'
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "the named-pipe endpoint check failed"

wine "$bin/puckwind.exe" >/dev/null 2>"$errors" &
game=$!
within 60 one_window || fail "no window named PUCKWIND within a minute"
run "$bin/puckwind.exe" >/dev/null 2>&1 || fail "a second instance ended with $?"
one_window || fail "a second instance showed a window"
dialog_open && fail "the dialog's grey is there before command 40002"
run "$bin/puckwind-command.exe" 40002 || fail "puckwind-command.exe 40002 ended with $?"
within 30 dialog_open || fail "no settings dialog within 30 s of command 40002"
run "$bin/puckwind-command.exe" 40001 || fail "puckwind-command.exe 40001 ended with $?"
within 30 game_gone || fail "the game still runs 30 s after command 40001"
wait "$game" || fail "the game ended with status $? after command 40001"
game=""
run "$bin/puckwind-command.exe" 40001 2>/dev/null && fail "a command reached no game"
echo "ok: a second instance ended at once; 40002 opened the dialog; 40001 closed the game"

for script in "$source"/tests/sim/replays/*.sim; do
    want=$("$linux/tools/sim/puckwind-sim" "$script" | sha256sum) || fail "puckwind-sim: $script"
    got=$(run "$bin/puckwind-sim.exe" "$(winpath "$script")" | sha256sum)
    [ "$got" = "$want" ] || fail "$(basename "$script"): the trace's digest is $got, not $want"
    echo "ok: $(basename "$script") traced alike: ${got:0:16}"
done

want=$("$linux/tools/sim/puckwind-soak" 300 1 20000) || fail "the Linux soak failed"
got=$(run "$build/tools/sim/puckwind-soak.exe" 300 1 20000 | tr -d '\r')
[ "$got" = "$want" ] || fail "the soak's summary is \"$got\", not \"$want\""
echo "ok: the soak's summary: $got"
echo "ok: the Wine session took $SECONDS s"
