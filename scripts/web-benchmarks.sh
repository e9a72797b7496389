#!/usr/bin/env bash
# The browser build's figures: the page's files raw and gzipped, and the sim's ticks per second
# under node beside the same program built natively (bench/sim_rate.cpp, best of three runs each,
# taken alternately so that a busy spell of the machine falls on both). Prints them and writes
# them to the section "### The build and the sim" of OUTPUT's "## In a browser", replacing it.
# Usage: scripts/web-benchmarks.sh [OUTPUT]   (OUTPUT defaults to BENCHMARKS.md; make web-bench
#   builds what it needs first)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/BENCHMARKS.md}
web=$root/build/web
native=$root/build/default/bench/sim_rate
raw=$(mktemp -d)
trap 'rm -rf "$raw"' EXIT

size_row() {  # FILE: | file | bytes | gzipped |
  printf '| %s | %d | %d |\n' "$(basename "$1")" "$(stat -c %s "$1")" "$(gzip -9c "$1" | wc -c)"
}
resources_bytes() {  # the files resources/resources.txt embeds
  awk '!/^#/ && NF >= 3 {print $3}' "$root/resources/resources.txt" |
    (cd "$root/resources" && xargs stat -c %s) | awk '{ s += $1 } END { print s }'
}
best() {  # FILE LABEL: the highest figure of LABEL in FILE
  sed -n "s/^$2: //p" "$1" | sort -n | tail -n 1
}

for _ in 1 2 3; do
  "$native" 1 >>"$raw/native"
  node "$web/bench/sim_rate.js" 1 >>"$raw/node"
done

{
  echo "### The build and the sim"
  echo
  echo "Written by \`make web-bench\` (\`scripts/web-benchmarks.sh\`) on $(date -u '+%Y-%m-%d %H:%M') UTC;"
  echo "Emscripten $(emcc --version | sed -n '1s/.* \([0-9][0-9.]*\) .*/\1/p'), node $(node --version)."
  echo "Load: \`$(uptime)\`."
  echo "Native is the default preset's build (RelWithDebInfo), node runs the web preset's (Release,"
  echo "Asyncify only in the page); both run \`bench/sim_rate.cpp\`: the rally tick"
  echo "alone, and a whole headless tick with the chasing player. The game's .wasm carries every"
  echo "resource file ($(resources_bytes) bytes of bitmaps, sounds and the dialog's font)."
  echo
  echo "| File (build/web) | Bytes | Gzipped (-9) |"
  echo "|---|---:|---:|"
  for f in puckwind.html puckwind.js puckwind.wasm puckwind-sim.js puckwind-sim.wasm; do
    size_row "$web/$f"
  done
  echo
  echo "| Ticks per second (best of 3 runs of 1 s) | Native | Node | Node / native |"
  echo "|---|---:|---:|---:|"
  for label in "rally ticks per second" "whole headless ticks per second"; do
    n=$(best "$raw/native" "$label")
    w=$(best "$raw/node" "$label")
    awk -v l="$label" -v n="$n" -v w="$w" 'BEGIN { printf "| %s | %s | %s | %.2f |\n", l, n, w, w / n }'
  done
} >"$raw/section"
cat "$raw/section"

# The section goes under "## In a browser", in place of its old text: up to the next heading of
# its own level or above.
python3 - "$out" "$raw/section" <<'PY'
import re, sys
path, section = sys.argv[1], open(sys.argv[2]).read()
try:
    text = open(path).read()
except FileNotFoundError:
    text = "# Benchmarks\n"
old = re.search(r"^### The build and the sim\n.*?(?=^#{1,3} |\Z)", text, re.M | re.S)
if old:
    text = text[: old.start()] + section + "\n" + text[old.end():]
elif re.search(r"^## In a browser\n", text, re.M):
    text = re.sub(r"^## In a browser\n\n?", lambda m: m.group(0) + section + "\n", text, 1, re.M)
else:
    text = text.rstrip("\n") + "\n\n## In a browser\n\n" + section
open(path, "w").write(text)
PY
