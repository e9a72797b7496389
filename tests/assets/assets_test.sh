#!/usr/bin/env bash
# puckwind-assets makes every file of resources/ again, byte for byte, reads them and damaged copies
# as the game does, and the icon's sizes and probe pixels with ImageMagick; see check.expected.
set -u; export LC_ALL=C  # LC_ALL: the order of the files checked
tool=$1 resources=$2 out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$tool" write "$out" || exit 1
for made in "$out"/*; do cmp "$made" "$resources/${made##*/}" ||
    { echo "run: puckwind-assets write resources"; exit 1; }; done
# The licence of the dialog's font forbids its name on a cut of it.
! tr -d '\0' <"$out/dialog_font.ttf" | grep -q IPAPGothic || { echo "font keeps its name"; exit 1; }
head -c 30 "$out/wav_pad.wav" >"$out/cut-format.wav"
head -c 200 "$out/bmp_num.bmp" >"$out/cut.bmp"
{ head -c 20 "$out/wav_pad.wav"; printf '\003'; tail -c +22 "$out/wav_pad.wav"; } >"$out/float.wav"
{ "$tool" check "$out"/* "$out/missing"; echo "exit $?"; convert "$out/puckwind.ico" \
    -interpolate Integer -format "%wx%h$(printf ' %%[pixel:p{w*%s/64,h*%s/64}]' \
    42 42 30 42 22 22 52 16 0 0)\n" info:; } |
    sed "s|^$out/||" | diff -u "$(dirname "$0")/check.expected" - && echo ok
