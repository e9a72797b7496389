#!/bin/sh
# puckwind-assets check: one good file and one it must refuse; exit status 1 and both verdicts.
tool=$1 good=$2 bad=$3
out=$("$tool" check "$good" "$bad")
status=$?
echo "$out"
[ "$status" -eq 1 ] || { echo "exit status $status, expected 1"; exit 1; }
echo "$out" | grep -q "wav_pad.wav: WAVE format tag 1, 1 channel(s), 16 bits, 22050 Hz.*data 17588 bytes" || exit 1
echo "$out" | grep -q "fmt12.wav: refused: the \"fmt \" chunk is shorter than 14 bytes" || exit 1
