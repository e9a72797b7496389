#!/usr/bin/env bash
# Usage: regenerate_test.sh PUCKWIND_ASSETS RESOURCES_DIR
set -u
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$1" write "$out" || { echo "FAIL: puckwind-assets write failed"; exit 1; }
status=0
for made in "$out"/*; do
    name=$(basename "$made")
    if ! cmp -s "$made" "$2/$name"; then
        echo "FAIL: $name differs from resources/$name (run puckwind-assets write resources)"
        status=1
    fi
done
[ $status -eq 0 ] && echo "ok: $(ls "$out" | wc -l) files the same"
exit $status
