#!/usr/bin/env bash
# `make run` without a display says so in one line and fails, rather than failing silently.
set -u
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$1/scripts/run-game.sh" /bin/true 2>&1)
code=$?
[ $code -ne 0 ] || { echo "FAIL: exit code 0 without a display"; exit 1; }
[ "$(printf '%s\n' "$out" | wc -l)" -eq 1 ] || { echo "FAIL: not one line: $out"; exit 1; }
grep -q 'no display' <<<"$out" || { echo "FAIL: does not say why: $out"; exit 1; }
echo "ok: $out"
