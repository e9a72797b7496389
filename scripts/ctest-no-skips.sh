#!/usr/bin/env bash
# ctest with the arguments given, where a test that did not run (skipped or disabled) fails the
# run as a failing test does: `make test` makes everything its tests need, so a skip there means
# a check was not made. Every such test is named on the last line.
set -o pipefail
log=$(mktemp) && trap 'rm -f "$log"' EXIT
ctest "$@" 2>&1 | tee "$log"
status=$?
skipped=$(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (\(Skipped\|Disabled\))$/\1/p' "$log" | paste -sd ' ')
[ -z "$skipped" ] || { echo "FAIL: tests that did not run: $skipped"; status=1; }
exit $status
