#!/usr/bin/env bash
# Runs every benchmark of a build and prints its figures.
set -eu
build=$1
echo "== tick timer (500 ticks)"
"$build/bench/tick_period" 500
for b in "$build"/bench/*_bench; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_min_time=0.5
done
