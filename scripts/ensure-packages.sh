#!/usr/bin/env bash
# Installs the Debian packages a build needs, only those that are missing.
# Usage: scripts/ensure-packages.sh build|test|run|windows|package|web
set -eu
common=(cmake ninja-build g++ pkg-config libsdl2-dev libepoxy-dev libimgui-dev libfreetype-dev
        libx11-dev libxtst-dev libharfbuzz-dev libharfbuzz-subset0 fonts-dejavu-core
        fonts-ipafont-gothic help2man)
case "${1:-build}" in
  build) want=("${common[@]}") ;;
  run) want=("${common[@]}") ;;
  test) want=("${common[@]}" libgtest-dev libgmock-dev libbenchmark-dev xvfb xdotool imagemagick x11-utils
             desktop-file-utils appstream python3 clang gdb) ;;
  # The .deb made and reviewed: dpkg-shlibdeps, lintian, man to render the manual pages.
  package) want=("${common[@]}" dpkg-dev lintian man-db binutils) ;;
  # The Windows build from Debian sources with mingw-w64 (posix threads), and Wine for its tests.
  windows) want=(cmake ninja-build pkg-config meson dpkg-dev zip mingw-w64 g++-mingw-w64-x86-64-posix
                 gcc-mingw-w64-x86-64-posix wine wine64 xvfb xdotool imagemagick x11-utils) ;;
  # The browser build with Debian's Emscripten (its libraries from Debian sources), node for the
  # headless sim and Chromium for the page's tests.
  web) want=(cmake ninja-build pkg-config dpkg-dev emscripten nodejs chromium python3) ;;
  *) echo "usage: $0 build|test|run|windows|package|web" >&2; exit 2 ;;
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
