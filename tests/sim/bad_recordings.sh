#!/usr/bin/env bash
# puckwind --replay refuses a recording that is not a valid script before any window opens: the
# file and line named on one line of standard error, status 2. A last line cut off (the game
# killed while writing) is left out, so that recording passes on to the display check (status 1:
# no display here). A recording or trace that cannot be created is refused the same way.
# Usage: bad_recordings.sh PUCKWIND OUT_DIR
set -u
game=$1 out=$2 failed=0
mkdir -p "$out" && cd "$out" || exit 1
unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER
check() {  # STATUS STDERR_PATTERN ARGS...: the game's status and its one line of standard error
    local status=$1 pattern=$2
    shift 2
    "$game" "$@" 2>err
    local got=$?
    if [ $got != "$status" ] || [ "$(wc -l <err)" != 1 ] || ! grep -q -- "$pattern" err; then
        echo "FAIL: puckwind $*: status $got, wanted $status; stderr: $(cat err)"
        failed=1
    fi
}
while IFS='|' read -r name text pattern; do
    printf "$text" >"$name.sim"
    check 2 "$name.sim: $pattern" --replay "$name.sim"
done <<'TABLE'
unknown|seed 3\nstart\ntick 2\nwiggle 4\n|line 4: unknown command 'wiggle'
range|start\nmove 12 4294967296\n|line 2: move needs two whole numbers
seed-late|# a comment\nstart\nseed 4\n|line 3: seed must come before start
empty||line 1: the script ends before start
no-start|seed 5\n|line 2: the script ends before start
TABLE
printf 'seed 3\nstart\ntick 2\nwig' >cut.sim
check 1 "no display" --replay cut.sim
check 2 "cannot read" --replay missing.sim
check 2 "cannot create" --replay cut.sim --trace no-such-dir/trace.jsonl
check 2 "cannot create" --record no-such-dir/rec.sim
check 2 "do not go together" --record rec.sim --replay cut.sim
exit $failed
