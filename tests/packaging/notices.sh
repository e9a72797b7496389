#!/usr/bin/env bash
# Every library a shipped program loads has its paragraph in the copyright file: each NEEDED
# entry of the Linux programs (readelf) and each DLL gathered into the Windows zip.
# Usage: notices.sh COPYRIGHT PROGRAM_OR_DLL_FOLDER...
set -eu
copyright=$1
shift
[ -e "$copyright" ] || { echo "skipped: no $copyright"; exit 77; }
paragraph() {
  case $1 in
    libSDL2-2.0.so.* | SDL2.dll) echo sdl2 ;;
    libepoxy.so.* | libepoxy-0.dll) echo libepoxy ;;
    libstb.so.*) echo stb ;;
    libstdc++.so.* | libgcc_s.so.* | libstdc++-6.dll | libgcc_s_seh-1.dll) echo gcc-runtime ;;
    libwinpthread-1.dll) echo mingw-w64 ;;
    # The C library every Linux program runs on: the system's, never in a package of ours.
    libc.so.6 | libm.so.6) echo system ;;
  esac
}
status=0
for name in $(for f; do
                if [ -d "$f" ]; then ls "$f" | grep -i '\.dll$'
                else readelf -d "$f" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'; fi
              done | sort -u); do
  entry=$(paragraph "$name")
  if [ -z "$entry" ]; then
    echo "$name: no paragraph of $copyright is known for it" >&2; status=1
  elif [ "$entry" != system ] && ! grep -q "^Files: third-party/$entry/\*$" "$copyright"; then
    echo "$name: $copyright has no paragraph third-party/$entry/*" >&2; status=1
  fi
done
exit $status
