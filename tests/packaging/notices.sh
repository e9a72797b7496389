#!/usr/bin/env bash
# Every library a shipped program loads (NEEDED entries of the Linux programs, the DLLs gathered
# into the Windows zip) has its paragraph in the copyright file.
# Usage: notices.sh COPYRIGHT PROGRAM_OR_DLL_FOLDER...
set -eu
copyright=$1 && shift
[ -e "$copyright" ] || { echo "no $copyright: is the build there?" >&2; exit 1; }
paragraph() {
  case $1 in
    libSDL2-2.0.so.* | SDL2.dll) echo sdl2 ;;
    libepoxy.so.* | libepoxy-0.dll) echo libepoxy ;;
    libstb.so.*) echo stb ;;
    libstdc++.so.* | libgcc_s.so.* | libstdc++-6.dll | libgcc_s_seh-1.dll) echo gcc-runtime ;;
    libwinpthread-1.dll) echo mingw-w64 ;;
    libc.so.6 | libm.so.6) echo system ;; # the system's C library, in no package of ours
  esac
}
status=0 names=""
for f; do  # a folder without DLLs or a program without libraries: not what the build makes
  if [ -d "$f" ]; then found=$(ls "$f" | grep -i '\.dll$' || :); else
    found=$(readelf -d "$f" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); fi
  [ -n "$found" ] || { echo "$f: no library found in it" >&2; status=1; }
  names+=$'\n'$found
done
for name in $(sort -u <<<"$names"); do
  entry=$(paragraph "$name")
  [ "$entry" = system ] || grep -q "^Files: third-party/${entry:-?}/\*$" "$copyright" ||
    { echo "$name: no paragraph of $copyright for it" >&2; status=1; }
done
exit $status
