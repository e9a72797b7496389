#!/usr/bin/env bash
# Fails when a test of the build carries none of the labels `make test` runs by (unit, e2e,
# windows, web) or that `make test-full` adds (full): such a test would never run.
# Usage: scripts/check-labels.sh BUILD_DIR
set -eu
unlabelled=$(ctest --test-dir "$1" -N -LE '^(unit|e2e|windows|web|full)$' | sed -n 's/^ *Test *#[0-9]*: //p')
if [ -n "$unlabelled" ]; then
    echo "tests without a label unit, e2e, windows, web or full (no run would see them):" >&2
    echo "$unlabelled" >&2
    exit 1
fi
