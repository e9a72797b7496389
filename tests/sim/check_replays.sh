#!/usr/bin/env bash
# Replays every script of replays/ through puckwind-sim and compares the trace's SHA-256 with the
# one stored beside it (NAME.sha256); on a difference it keeps the trace in OUT_DIR and shows its
# last line beside the stored one (NAME.last.json). With --update it stores the new digests.
# A script that puckwind-soak wrote (its first line says how) must come out of it again, byte
# for byte: the scripted players and the match driver play as they did.
# Usage: check_replays.sh SIM SOAK OUT_DIR [--update]
set -u
sim=$1 soak=$2 out=$3 update=${4:-}
replays=$(cd "$(dirname "$0")" && pwd)/replays
mkdir -p "$out"
failed=0
for script in "$replays"/*.sim; do
    name=$(basename "$script" .sim)
    "$sim" "$script" >"$out/$name.trace.jsonl" || { echo "FAIL: $name: puckwind-sim exited $?"; failed=1; continue; }
    digest=$(sha256sum <"$out/$name.trace.jsonl" | cut -d' ' -f1)
    if [ "$update" = --update ]; then
        echo "$digest" >"$replays/$name.sha256"
        tail -n 1 "$out/$name.trace.jsonl" >"$replays/$name.last.json"
    elif [ "$digest" != "$(cat "$replays/$name.sha256")" ]; then
        echo "FAIL: the trace of $name.sim differs from the stored one; it is in $out/$name.trace.jsonl"
        echo "last line now:     $(tail -n 1 "$out/$name.trace.jsonl")"
        echo "last line stored:  $(cat "$replays/$name.last.json")"
        failed=1
    else
        echo "ok: $name"
    fi
    read -r hash tool option seed player _ <"$script"
    if [ "$hash $tool $option" = "# puckwind-soak --script" ] &&
        ! "$soak" --script "$seed" "${player%:}" | cmp -s - "$script"; then
        echo "FAIL: puckwind-soak --script $seed ${player%:} no longer writes $name.sim"
        failed=1
    fi
done

exit $failed
