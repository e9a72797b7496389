#!/usr/bin/env bash
# A match recorded as it is played: the real game played to the first goal with --record and
# --trace, frames blended between ticks, the settings dialog opened in the rally (the recording
# holds the ticks the game drops while it is open), and puckwind-sim on the recording prints the
# game's trace byte for byte. Then --replay of that recording with one picture a tick
# (--tick-paint), its last line cut off as a killed game leaves it, shows the title, the serve and
# the goal as the game did, and plays on while another window has the focus: its trace is the
# game's, bar the line cut. Last, pictures of a stored match replayed to its first goal show the
# puck drawn between two of its tick places, blended (tests/e2e/between_ticks.py). On the way:
# puckwind-sim leaves out the cut line as the replay does, a replay's trace is on disk as it
# plays, and a recording to a full disk is said once and ends the game with 1.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
isolate "$@"
sim=$4

run_game() {  # the game with options ARGS...; sets $pid and $errors
    games=$((games + 1))
    errors=$out/game$games.stderr
    SDL_AUDIODRIVER=dummy "$game" "$@" 2>"$errors" &
    pid=$!
}
faces=(24x20+189+212 24x22+189+234)  # the scoreboard's digits
digits_differ() { [ "$(differ "$1" "$2" "${faces[0]}")" -gt 10 ] || [ "$(differ "$1" "$2" "${faces[1]}")" -gt 10 ]; }
scored() {  # the mallet sweeps the near half until a digit differs from the screen after the serve
    local x
    for x in 200 380 260 440 320; do
        xdotool mousemove $x 360 sleep 0.05 mousemove $x 205 sleep 0.05
    done
    shot play && digits_differ "$out/live-served.png" "$last_shot"
}

start_x 640x480x24
run_game --record "$out/match.sim" --trace "$out/live.jsonl"
wait_for 60 "the title banner standing" title_stands
cp "$last_shot" "$out/live-title.png"
# The replay shows the title as long as it stood here: 100 ticks or more, however slow its shots.
ticks() { awk '$1 == "tick" { n += $2 } END { print n + 0 }' "$out/match.sim"; }
held=$(($(ticks) + 100))
wait_for 30 "the title standing for 100 ticks" eval '[ "$(ticks)" -ge "$held" ]'
xdotool mousemove 320 360 click 1
wait_for 20 "a click serving" banner_gone
cp "$last_shot" "$out/live-served.png"
"$command" 40002 || fail "puckwind-command 40002 failed"
wait_for 30 "the settings dialog" dialog_open
held=$(($(ticks) + 42))  # a second of ticks, which the game drops while the dialog is open
wait_for 30 "the recording holding the ticks while the dialog is open" eval '[ "$(ticks)" -ge "$held" ]'
xdotool key Escape
wait_for 20 "Escape closing the dialog" dialog_closed
wait_for 120 "a goal changing the scoreboard" scored
cp "$last_shot" "$out/live-goal.png"
xdotool key Escape
ends_well Escape

"$sim" "$out/match.sim" | cmp - "$out/live.jsonl" || fail "puckwind-sim on the recording differs from the game's trace"
tail -n 1 "$out/live.jsonl" | grep -q '"score":\[\(0,1\|1,0\)\]' || fail "no goal in the trace: $(tail -n 1 "$out/live.jsonl")"
[ "$(tail -n 1 "$out/match.sim")" = "key 27" ] || fail "the recording does not end with Escape"
head -c -2 "$out/match.sim" >"$out/cut.sim"  # "key 2": not a whole line
head -n -1 "$out/live.jsonl" >"$out/want.jsonl"
"$sim" "$out/cut.sim" 2>"$out/sim-cut.err" | cmp - "$out/want.jsonl" && grep -q "has no newline" "$out/sim-cut.err" ||
    fail "puckwind-sim does not leave out the cut line as the replay does"

run_game --replay "$out/cut.sim" --trace "$out/replay.jsonl" --tick-paint
wait_for 60 "the replay's title banner standing" title_stands
cp "$last_shot" "$out/replay-title.png"
wait_for 30 "the replay serving" banner_gone
cp "$last_shot" "$out/replay-served.png"
xmessage -geometry 100x40+540+440 elsewhere &
wait_for 20 "another window" eval 'other=$(xdotool search --onlyvisible --name "^xmessage$")'
xdotool windowfocus --sync "$other" mousemove 100 100 click 1
wait_for 120 "the replay's trace ending as the game's" cmp -s "$out/replay.jsonl" "$out/want.jsonl"
shot replay-goal
digits_differ "$out/live-goal.png" "$last_shot" && fail "the replay's scoreboard differs from the game's after the goal"
digits_differ "$out/replay-served.png" "$last_shot" || fail "the replay's scoreboard did not change"
expect "the replay waiting at its last screen" running
xdotool windowfocus --sync "$(game_window)" key Escape
ends_well "Escape in the replay"

# A replay's trace reaches the disk as it plays: the title's last step long before the replay ends.
printf 'seed 1\nstart\ntick 2000\n' >"$out/title.sim"
run_game --replay "$out/title.sim" --trace "$out/title.jsonl"
wait_for 60 "the title standing in a replay" title_stands
wait_for 10 "the replay's trace on disk as it plays" grep -q 'Step","args":\[6\]' "$out/title.jsonl"
xdotool key Escape
ends_well "Escape in the title's replay"
# A recording that cannot be written is said once; the game plays on and ends with 1.
run_game --record /dev/full
wait_for 60 "the title, recording to a full disk" title_stands
xdotool key Escape
wait_exit "$pid" 60 && [ "$exit_code" = 1 ] && [ "$(grep -c 'write /dev/full' "$errors")" = 1 ] ||
    fail "a recording to a full disk: status ${exit_code:-none}; $(cat "$errors")"

# The chaser's match: its puck runs at 10 to 15 units a tick from its 90th tick to the first
# goal at its 268th, so the pictures taken on the way catch it between ticks.
run_game --replay "$here/../sim/replays/chaser_match.sim" --trace "$out/chaser.jsonl"
table_shown() { [ "$(pixels "$last_shot" 200x60+220+300 'r < 60 && g > 90 && b > 200' | cut -d' ' -f1)" -gt 6000 ]; }
wait_for 60 "the chaser's replay serving" eval 'banner_gone && table_shown'
cp "$last_shot" "$out/chaser-served.png"
looks=0
goal_seen() {
    looks=$((looks + 1))
    shot "chaser-$looks" && digits_differ "$out/chaser-served.png" "$last_shot"
}
wait_for 120 "the chaser's first goal" goal_seen
xdotool key Escape
ends_well "Escape in the chaser's replay"
python3 "$here/between_ticks.py" "$out/chaser.jsonl" "$out"/chaser-[0-9]*.png ||
    fail "no picture of the replay shows the puck between two of its tick places"
echo "ok: $(wc -c <"$out/match.sim") bytes of recording, traces of $(wc -l <"$out/live.jsonl") lines alike"
