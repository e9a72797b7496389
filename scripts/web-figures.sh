#!/usr/bin/env bash
# The browser figures in headless Chromium: milliseconds from navigation to the first drawn frame
# of the game's page and of a bare SDL2 + WebGL2 page linked the same way (bench/web; the median
# of RUNS fresh browsers each), their ratio, and the frames drawn a second while the mouse plays a
# rally for SECONDS on a 640 x 480 canvas.
# Usage: scripts/web-figures.sh [RUNS [SECONDS]]   after make web
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
cmake --build --preset web --target web_baseline >/dev/null
drive=("python3" "$root/tools/web/chromium_drive.py")
game=$("${drive[@]}" first-frame "$root/build/web" puckwind.html "$runs")
bare=$("${drive[@]}" first-frame "$root/build/web" bench/baseline.html "$runs")
fps=$("${drive[@]}" rally "$root/build/web" "${2:-10}")
echo "first frame: the game $game ms, the bare page $bare ms, ratio $(awk "BEGIN { printf \"%.2f\", $game / $bare }")"
echo "rally: $fps frames a second"
