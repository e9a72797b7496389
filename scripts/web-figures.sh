#!/usr/bin/env bash
# The page's figures in headless Chromium: milliseconds from navigation to the first drawn frame
# of the game's page and of a bare SDL2 + WebGL2 page linked the same way (bench/web; the median
# of RUNS fresh browsers each, taken in turn), their ratio, and the frames drawn a second (and the
# browser's animation frames) while the mouse plays a rally for SECONDS on a 640 x 480 canvas.
# Prints them and writes them to the section "### The page in headless Chromium" of OUTPUT's
# "## In a browser", replacing it.
# Usage: scripts/web-figures.sh [RUNS [SECONDS [OUTPUT]]]   after make web; OUTPUT defaults to
#   BENCHMARKS.md
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
seconds=${2:-10}
out=${3:-$root/BENCHMARKS.md}
cmake --build --preset web --target web_baseline >/dev/null
drive=("python3" "$root/tools/web/chromium_drive.py")
load_before=$(uptime)
read -r game bare < <("${drive[@]}" first-frame "$root/build/web" "$runs" puckwind.html \
                     bench/baseline.html)
read -r fps animation < <("${drive[@]}" rally "$root/build/web" "$seconds")
section=$(cat <<TEXT
### The page in headless Chromium

Written by \`scripts/web-figures.sh $runs $seconds\` on $(date -u '+%Y-%m-%d %H:%M') UTC; $(chromium --version 2>/dev/null | head -n 1)
(headless, WebGL 2 on SwiftShader), driven by \`tools/web/chromium_drive.py\`. The first frame is
the first animation frame in which the page drew with WebGL, timed from navigation, the median
of $runs fresh browsers each, the two pages taken in turn; the bare page is \`bench/web/baseline.cpp\` (SDL2 and a WebGL 2 triangle),
linked with the game's options and page. The rally's rate counts drawn frames while the
mouse sweeps the near half for $seconds s on a 640 x 480 canvas, beside the browser's animation
frames in that time: the game draws at every animation frame; it has 41.7 ticks a second.
Load: \`$load_before\`.

| Figure | Game | Bare page | Ratio |
|---|---:|---:|---:|
| Navigation to the first drawn frame (ms) | $game | $bare | $(awk "BEGIN { printf \"%.2f\", $game / $bare }") |
| Frames drawn a second during a rally | $fps | | |
| Animation frames a second meanwhile | $animation | | |
TEXT
)
echo "$section"
python3 - "$out" "$section" <<'PY'
import re, sys
path, section = sys.argv[1], sys.argv[2] + "\n"
text = open(path).read() if __import__("os").path.exists(path) else "# Benchmarks\n"
old = re.search(r"^### The page in headless Chromium\n.*?(?=^#{1,3} |\Z)", text, re.M | re.S)
browser = re.search(r"^## In a browser\n.*?(?=^#{1,2} |\Z)", text, re.M | re.S)
if old:
    text = text[:old.start()] + section + "\n" + text[old.end():]
elif browser:
    end = browser.end()
    text = text[:end].rstrip("\n") + "\n\n" + section + ("\n" if end < len(text) else "") + text[end:]
else:
    text = text.rstrip("\n") + "\n\n## In a browser\n\n" + section
open(path, "w").write(text)
PY
