#!/usr/bin/env bash
# `puckwind-assets check` reads BMP files as the game does: the game's own are accepted with
# their sizes, a cut-short one is refused.
# Usage: check_bmp_test.sh PUCKWIND_ASSETS RESOURCES_DIR
set -u
tool=$1 resources=$2
out=$("$tool" check "$resources/bmp_num.bmp" "$resources/bmp_mes.bmp") || { echo "FAIL: $out"; exit 1; }
grep -q 'bmp_num.bmp: BMP [0-9]* by [0-9]* pixels, 24 bits' <<<"$out" || { echo "FAIL: $out"; exit 1; }
cut=$(mktemp --suffix=.bmp)
trap 'rm -f "$cut"' EXIT
head -c 200 "$resources/bmp_num.bmp" >"$cut"
out=$("$tool" check "$cut") && { echo "FAIL: a cut-short BMP accepted: $out"; exit 1; }
grep -q 'refused' <<<"$out" || { echo "FAIL: no refusal: $out"; exit 1; }
echo "ok"
