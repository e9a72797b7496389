#!/usr/bin/env bash
# A whole match of the real game under Xvfb, played by a scripted mouse that follows the puck
# (puckwind-e2e-player), checked the way a player sees and hears it: the title banner flies in
# and its jingle sounds; a click serves; the mallet follows the mouse; a goal changes the
# scoreboard's digits; focus taken by another window freezes the game and giving it back
# resumes it; the match ends in the win or the lose banner; a click returns to the title;
# Escape ends the game with 0.
# Usage: match_test.sh BUILD_DIR [GOALS]
#   GOALS (default: a whole match) stops after that many goals and quits from the rally: the
#   short run the sanitizer build plays.
# Screenshots are left in BUILD_DIR/tests/e2e/match-{title,rally,goal,result,back}.png.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
isolate "$@"
build=$1
goals_wanted=${2:-0}
game=$build/src/shell/puckwind
player=$build/tests/e2e/puckwind-e2e-player
shots=$build/tests/e2e
audio=$shots/match-audio.raw
mkdir -p "$shots"

shot() { import -window root "$1"; }
# Gold and red pixels of the lettering in the banner's place (gold "YOU WIN!", red "YOU LOSE",
# both in the title logo); the table there is blue.
lettering() {
    convert "$1" -crop 440x70+100+205 +repage -depth 8 txt:- |
        sed -n 's/^[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' |
        awk '$1 > 200 && $2 > 150 && $3 < 120 { gold++ } $1 > 150 && $2 < 100 && $3 < 110 { red++ }
             END { print gold + 0, red + 0 }'
}
banner_up() { set -- $(lettering "$1"); [ $(($1 + $2)) -ge 1500 ]; }
title_up() { set -- $(lettering "$1"); [ "$1" -ge 300 ] && [ "$2" -ge 300 ]; }
# The scoreboard (both digit faces) and the table, as regions of the screen.
scoreboard=40x50+182+208
table=300x260+170+110
differ() {
    convert "$1" -crop "$3" +repage "$shots/match-a.png"
    convert "$2" -crop "$3" +repage "$shots/match-b.png"
    compare -metric AE "$shots/match-a.png" "$shots/match-b.png" null: 2>&1
}

SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$audio "$game" \
    2>"$shots/match-stderr.txt" &
pid=$!
trap 'kill $pid 2>/dev/null; kill $other 2>/dev/null' EXIT
other=""
win=$(wait_window PUCKWIND 10) || fail "no window named PUCKWIND appeared"

# The title: the banner flies in (its lettering is not yet in place at once), then stands.
shot "$shots/match-early.png"
sleep 2
shot "$shots/match-title.png"
title_up "$shots/match-title.png" || fail "no title banner after 2 s: $(lettering "$shots/match-title.png")"
[ "$(differ "$shots/match-early.png" "$shots/match-title.png" 440x70+100+205)" -gt 500 ] ||
    fail "the title banner did not fly in (the first picture already showed it)"

# A click serves: the banner goes, and the puck moves; the mallet follows the mouse (right is
# right on the table).
xdotool mousemove 320 360 click 1
sleep 0.5
shot "$shots/match-served.png"
title_up "$shots/match-served.png" && fail "the title banner stayed after the click"
puck0=$("$player" puck) || fail "no puck after the serving click"
sleep 0.2
[ "$("$player" puck)" != "$puck0" ] || fail "the puck stands still after the serve"
read -r mx0 _ < <("$player" mallet) || fail "no player's mallet on the table"
xdotool mousemove_relative -- 40 0
sleep 0.2
read -r mx1 _ < <("$player" mallet)
[ $((mx1 - mx0)) -ge 15 ] || fail "the mallet did not follow the mouse right ($mx0 -> $mx1)"
xdotool mousemove_relative -- -40 0
"$player" play 1000 >/dev/null
shot "$shots/match-rally.png"

# Another window takes the focus: the game stands still; given back, it goes on.
xmessage -geometry 100x40+540+440 "elsewhere" &
other=$!
other_win=$(wait_window xmessage 5) || fail "the other window did not appear"
xdotool windowactivate --sync "$other_win" 2>/dev/null || xdotool windowfocus --sync "$other_win"
sleep 0.5
shot "$shots/match-frozen1.png"
sleep 1
shot "$shots/match-frozen2.png"
[ "$(differ "$shots/match-frozen1.png" "$shots/match-frozen2.png" $table)" = 0 ] ||
    fail "the game went on without the focus"
kill $other
other=""
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
# The focus comes back through the X server and the game's event queue; give it a few seconds,
# serving again should the puck have gone in meanwhile.
resumed=""
for _ in 1 2 3 4 5 6; do
    xdotool click 1
    "$player" play 500 >/dev/null
    shot "$shots/match-resumed.png"
    if [ "$(differ "$shots/match-frozen2.png" "$shots/match-resumed.png" $table)" -gt 0 ]; then
        resumed=yes
        break
    fi
done
[ -n "$resumed" ] || fail "the game did not go on with the focus back"

# Play: after each goal the digits change; serve when the puck is off the table; until the
# result banner (or the goals wanted).
goals=0
shot "$shots/match-before.png"
deadline=$((SECONDS + 150))
result=""
while [ $SECONDS -lt $deadline ]; do
    "$player" play 1500 >/dev/null
    shot "$shots/match-now.png"
    if banner_up "$shots/match-now.png"; then
        result=$shots/match-now.png
        break
    fi
    if ! "$player" puck >/dev/null; then
        # A goal: the digits change once its sequence is over, before the next serve.
        changed=0
        for _ in 1 2 3 4 5 6; do
            sleep 0.5
            shot "$shots/match-now.png"
            banner_up "$shots/match-now.png" && break
            [ "$(differ "$shots/match-before.png" "$shots/match-now.png" $scoreboard)" -gt 0 ] &&
                { changed=1; break; }
        done
        banner_up "$shots/match-now.png" && { result=$shots/match-now.png; break; }
        if [ $changed = 0 ]; then
            # A mallet can hide the puck for a moment: only a puck still gone is a goal.
            "$player" puck >/dev/null && continue
            fail "a goal left the scoreboard as it was"
        fi
        goals=$((goals + 1))
        [ $goals -eq 1 ] && cp "$shots/match-now.png" "$shots/match-goal.png"
        cp "$shots/match-now.png" "$shots/match-before.png"
        [ "$goals" = "$goals_wanted" ] && break
        xdotool click 1
    fi
done
kill -0 $pid 2>/dev/null || fail "the game ended during the match"
if [ "$goals_wanted" = 0 ]; then
    [ -n "$result" ] || fail "no result banner within 150 s ($goals goals seen)"
    sleep 2  # the banner comes in over 40 ticks
    shot "$shots/match-result.png"
    set -- $(lettering "$shots/match-result.png")
    if [ "$1" -gt $(($2 * 3)) ]; then outcome=win; else outcome=lose; fi
    xdotool click 1
    sleep 2
    shot "$shots/match-back.png"
    title_up "$shots/match-back.png" || fail "a click on the result did not return to the title"
else
    [ "$goals" = "$goals_wanted" ] || fail "only $goals goals within 150 s"
    outcome="$goals goals"
fi

xdotool key Escape
wait_exit $pid 10 || fail "Escape did not end the game"
[ "$exit_code" -eq 0 ] || fail "exit code $exit_code after Escape"

# What was heard: the mixed output holds sound (the jingle, then the match's).
python3 - "$audio" <<'PY' || fail "the game was silent"
import array, sys
samples = array.array('h', open(sys.argv[1], 'rb').read())
loud = sum(1 for s in samples[::7] if abs(s) > 500)
print(f"{len(samples) // 2} frames of sound, {loud} loud samples (of every seventh)")
sys.exit(0 if loud > 1000 else 1)
PY
rm -f "$audio"
echo "ok: $outcome after $goals goals seen"
