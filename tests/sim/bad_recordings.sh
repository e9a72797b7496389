#!/usr/bin/env bash
# puckwind --replay refuses a recording that is not a valid script before any window opens: the
# file and line named on one line of standard error, status 2. A last line cut off (the game
# killed while writing) is left out with a note, so that recording passes on to the display check
# (status 1: no display here). A recording or trace that cannot be created, or one file given
# twice, is refused the same way; and a refused run leaves every file as it was. puckwind-sim
# says when its trace cannot be written, with status 1.
# Usage: bad_recordings.sh PUCKWIND OUT_DIR PUCKWIND_SIM
set -u
game=$1 out=$2 sim=$3 failed=0
mkdir -p "$out" && cd "$out" || exit 1
unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER
check() {  # STATUS STDERR_PATTERN ARGS...: the game's status and its one line of standard error
    local status=$1 pattern=$2
    shift 2
    "$game" "$@" 2>err
    local got=$?
    if [ $got != "$status" ] || [ "$(grep -vc 'line 4 has no newline' err)" != 1 ] ||
        ! grep -q -- "$pattern" err; then
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
cp cut.sim kept.sim
check 1 "no display" --replay cut.sim --trace new.jsonl
grep -q "cut.sim: line 4 has no newline" err || { echo "FAIL: no note of the cut line"; failed=1; }
check 1 "no display" --record kept.sim
check 2 "cannot read" --replay missing.sim
check 2 "cannot create" --replay cut.sim --trace no-such-dir/trace.jsonl
check 2 "cannot create" --record no-such-dir/rec.sim
check 2 "do not go together" --record rec.sim --replay cut.sim
check 2 "would write over the replay" --replay kept.sim --trace ./kept.sim
check 2 "name one file" --record rec.sim --trace "$PWD/rec.sim"
cmp -s cut.sim kept.sim && [ ! -e new.jsonl ] && [ ! -e rec.sim ] ||
    { echo "FAIL: a refused run changed or left a file"; failed=1; }
check 2 "line 1: longer than 1000 characters" --replay /dev/zero
# Any length of script is read in the same memory: half a million lines take no more than two.
peak() {  # the most memory, in kB, that the command given took (a sanitizer keeping no freed memory)
    ASAN_OPTIONS=${ASAN_OPTIONS:-}:quarantine_size_mb=0 python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)' "$@"
}
{ printf 'start\n' && yes up | head -n 500000 && printf 'wiggle\n'; } >long.sim
printf 'start\nwiggle\n' >short.sim
for run in "$sim" "$game --replay"; do
    short=$(peak $run short.sim) long=$(peak $run long.sim)
    [ $((long - short)) -lt 16000 ] || { echo "FAIL: $run: $long kB for long.sim, $short kB for short.sim"; failed=1; }
done
"$sim" cut.sim >/dev/full 2>err
[ $? = 1 ] && grep -q "cannot write the trace" err ||
    { echo "FAIL: puckwind-sim wrote to a full disk without a word: $(cat err)"; failed=1; }
exit $failed
