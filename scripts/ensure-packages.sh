#!/usr/bin/env bash
# Installs the Debian packages a build needs, only those that are missing.
# Usage: scripts/ensure-packages.sh build|test|run
set -eu
common=(cmake ninja-build g++ pkg-config libsdl2-dev libx11-dev libepoxy-dev libimgui-dev libfreetype-dev
        fonts-dejavu-core fonts-ipafont-gothic)
case "${1:-build}" in
  build) want=("${common[@]}") ;;
  run) want=("${common[@]}") ;;
  test) want=("${common[@]}" libgtest-dev libgmock-dev libbenchmark-dev xvfb xdotool imagemagick x11-utils
             desktop-file-utils appstream python3 clang gdb) ;;
  *) echo "usage: $0 build|test|run" >&2; exit 2 ;;
esac

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if ! command -v apt-get >/dev/null 2>&1; then
  echo "puckwind: missing packages: ${missing[*]}; this system has no apt-get, install their equivalents by hand." >&2
  exit 1
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "puckwind: missing packages: ${missing[*]}; run: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "puckwind: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
