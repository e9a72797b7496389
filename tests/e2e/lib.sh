# The end-to-end harness: the real game on X servers of its own, in a network namespace of its
# own with a private XDG_RUNTIME_DIR (where the single-instance endpoint lives), so that a game
# the user runs and a test never meet. Nothing waits for a fixed time: every wait polls a
# condition against a deadline generous enough for a loaded machine.
# A session script, run as SCRIPT PUCKWIND PUCKWIND_COMMAND OUT_DIR [ARGS...], starts with
#   source lib.sh; isolate "$@"
# and leaves its screenshots and the game's standard error in OUT_DIR.
set -u
screenshots=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../docs/screenshots" && pwd)

fail() {
    echo "FAIL: $*" >&2
    [ "$BASHPID" = "$$" ] || kill -TERM $$  # from a command substitution too: the session ends
    exit 1
}

# Waits up to $2 seconds (default 5) for process $1 to end; its exit status goes into $exit_code.
wait_exit() {
    local deadline=$((SECONDS + ${2:-5}))
    while kill -0 "$1" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.05
    done
    wait "$1"
    exit_code=$?
}

isolate() {
    if [ -z "${PUCKWIND_E2E_INSIDE:-}" ]; then
        local wrap
        for wrap in "unshare --net" "unshare --net --map-root-user" ""; do
            $wrap true 2>/dev/null && break
        done
        PUCKWIND_E2E_INSIDE=1 exec $wrap bash "$0" "$@"
    fi
    game=$1 command=$2 out=$3 pid="" xvfb="" last_shot="" games=0
    rm -rf "$out" && mkdir -p "$out" || fail "cannot make $out"
    XDG_RUNTIME_DIR=$(mktemp -d) && export XDG_RUNTIME_DIR  # mode 0700
    trap end_all EXIT
    trap 'exit 1' TERM INT
}

# On every way out: each game, X server and helper the session started and that still runs is
# asked to end, and made to after 5 s, before its runtime folder goes.
end_all() {
    local left
    left=$(jobs -p)
    [ -z "$left" ] || kill $left 2>/dev/null
    for left in $left; do
        wait_exit "$left" 5 || kill -KILL "$left" 2>/dev/null
    done
    rm -rf "$XDG_RUNTIME_DIR"
}

# An X server of our own: Xvfb with screen $1 (WIDTHxHEIGHTxDEPTH) and any further options.
start_x() {
    local fifo number
    fifo=$(mktemp -u) && mkfifo "$fifo" && exec 9<>"$fifo" && rm -f "$fifo"
    Xvfb -displayfd 9 -screen 0 "$@" -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb=$!
    read -r -t 60 number <&9 || fail "Xvfb did not start"
    exec 9<&-
    export DISPLAY=:$number
}

stop_x() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    xvfb=""
}

# Starts the game with the environment given (NAME=VALUE...); sets $pid and $errors.
start_game() {
    games=$((games + 1))
    errors=$out/game$games.stderr
    env "$@" "$game" 2>"$errors" &
    pid=$!
}

running() { kill -0 "$pid" 2>/dev/null; }

# The game ends, with 0, after $1.
ends_well() {
    wait_exit "$pid" 60 || fail "the game still runs 60 s after $1"
    [ "$exit_code" = 0 ] || fail "exit code $exit_code after $1: $(cat "$errors")"
}

# wait_for DEADLINE_S DESCRIPTION CMD...: runs CMD until it succeeds. After DEADLINE_S seconds,
# or at once should the game end, fails with the description, what CMD left in $seen, whether the
# game runs, its standard error and the last screenshot.
wait_for() {
    local deadline=$((SECONDS + $1)) what=$2 state="still runs"
    seen=""
    shift 2
    until "$@"; do
        if ! running; then
            wait "$pid"
            state="ended with status $?"
        elif [ $SECONDS -lt $deadline ]; then
            sleep 0.1
            continue
        fi
        fail "$what${seen:+ (found: $seen)}; the game $state; last screenshot: ${last_shot:-none}
--- the game's standard error:
$(cat "$errors")"
    done
}

expect() { wait_for 0 "$@"; }

# The screen now, in $out/NAME.png; the one before stays in $out/previous.png.
shot() {
    [ -n "$last_shot" ] && cp "$last_shot" "$out/previous.png"
    last_shot=$out/$1.png
    import -window root "$last_shot"
}

# How many pixels of region $2 of picture $1 pass the awk condition $3 on r, g and b, and their
# mean x and y in the region. A picture that cannot be read ends the session.
pixels() {
    convert "$1" -crop "$2" +repage -depth 8 "rgb:$out/region.rgb" || fail "cannot read $2 of $1"
    od -An -tu1 -w3 -v "$out/region.rgb" | awk -v w="${2%%x*}" "
        { r = \$1; g = \$2; b = \$3 } $3 { n++; sx += (NR - 1) % w; sy += int((NR - 1) / w) }
        END { if (n) print n, int(sx / n), int(sy / n); else print 0, -1, -1 }"
}

# Pixels that differ between region $3 of pictures $1 and $2, colours within $4 (default 0%)
# counting as the same: the rasteriser may put an edge one pixel further. A tool that fails ends
# the session: a comparison that could not be made proves nothing either way.
differ() {
    local n
    convert "$1" -crop "$3" +repage "$out/a.png" && convert "$2" -crop "$3" +repage "$out/b.png" ||
        fail "cannot crop $3 of $1 and $2"
    n=$(compare -metric AE -fuzz "${4:-0%}" "$out/a.png" "$out/b.png" null: 2>&1)
    [[ $n =~ ^[0-9]+$ ]] || fail "compare failed on $3 of $1 and $2: $n"
    echo "$n"
}

same() { [ "$(differ "$@")" = 0 ]; }

# "GOLD RED": pixels of the banner's lettering on picture $1 (default: the last screenshot). The
# title logo has both colours, "YOU WIN!" gold, "YOU LOSE" red; the table there is blue.
banner=440x70+100+205
lettering() {
    echo "$(pixels "${1:-$last_shot}" $banner 'r > 200 && g > 150 && b < 120' | cut -d' ' -f1)" \
        "$(pixels "${1:-$last_shot}" $banner 'r > 150 && g < 100 && b < 110' | cut -d' ' -f1)"
}

# The title banner at rest: its lettering as on the README's title picture, within $tolerance
# percent (default 2; a game stalled for a moment shows the same picture twice, so two alike
# prove nothing).
title_stands() {
    [ -n "${title_rest:-}" ] || title_rest=$(lettering "$screenshots/title.png")
    shot title || return 1
    set -- $(lettering) $title_rest
    seen="lettering $1 $2, at rest $3 $4"
    [ "$3" -ge 300 ] && within "$1" "$3" && within "$2" "$4"
}
within() { local d=$((100 * ($1 - $2))) && [ ${d#-} -le $((${tolerance:-2} * $2)) ]; }

# No banner (the centre line is as yellow as the gold lettering).
banner_gone() {
    shot banner-gone && seen="lettering $(lettering)" && set -- ${seen#lettering }
    [ "$1" -lt 1000 ] && [ "$2" -lt 100 ]
}

game_window() { xdotool search --name '^PUCKWIND$' 2>/dev/null | grep -m 1 .; }
# The game's window has geometry $1 (WIDTHxHEIGHT+X+Y).
geometry() {
    local id
    id=$(game_window) || return 1
    seen=$(xwininfo -id "$id" | awk '/Absolute upper-left X/ { x = $NF }
        /Absolute upper-left Y/ { y = $NF } /Width:/ { w = $NF } /Height:/ { h = $NF }
        END { print w "x" h "+" x "+" y }')
    [ "$seen" = "$1" ]
}

# Region $1 of the last screenshot as on the README's picture of the settings dialog.
like_dialog() { [ "$(differ "$last_shot" "$screenshots/dialog.png" "$1" 15%)" -le 20 ]; }
dialog_open() { shot dialog && like_dialog 120x13+182+121; }  # its title bar
dialog_closed() { shot closed && ! like_dialog 120x13+182+121; }
