#!/usr/bin/env bash
# Builds the libraries the browser game needs (SDL2 with its Emscripten video and audio drivers,
# Dear ImGui with its SDL2 and OpenGL ES 3 backends) from Debian's source packages with Debian's
# Emscripten, once per machine, into a cache that every clone shares, and prints the prefix's
# path (the only thing written to standard output). Emscripten's own SDL2 cannot serve: it is
# fetched from the network while the game links.
#
# The cache is $PUCKWIND_CACHE/web-deps (PUCKWIND_CACHE defaults to
# ${XDG_CACHE_HOME:-$HOME/.cache}/puckwind). Each prefix is named by a key: a digest of the two
# source packages' versions (with their .dsc digests), the toolchain (the emscripten package's
# version and the compiler's banner) and the build steps of this script, so a change to any of
# them builds a new prefix beside the old one. A prefix is installed under a temporary directory
# and renamed into place only when complete; a lock lets one build run at a time.
#
# The sources come through apt-get with an apt configuration of the cache's own (its own
# sources.list with a deb-src line for this machine's Debian suite, its own lists and cache): the
# machine's apt setup is never touched. The index is refreshed when a week old
# (PUCKWIND_DEPS_REFRESH=1: now); a refresh that fails keeps the old index, so a warm machine
# makes its cached build offline.
# Usage: scripts/build-web-deps.sh
set -euo pipefail
shopt -s inherit_errexit

cache=${PUCKWIND_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/puckwind}/web-deps
jobs=$(nproc)
say() { echo "web-deps: $*" >&2; }

mkdir -p "$cache/apt/lists/partial" "$cache/apt/cache/archives/partial" "$cache/src"
exec 9>"$cache/.lock"
if ! flock -n 9; then
  say "waiting for another build of the web libraries on this machine"
  flock 9
fi

# --- the index and the versions ---------------------------------------------------------------
suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
mirror=${PUCKWIND_DEBIAN_MIRROR:-http://deb.debian.org/debian}
echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $suite main" \
  >"$cache/apt/sources.list.new"
if ! cmp -s "$cache/apt/sources.list.new" "$cache/apt/sources.list"; then
  rm -f "$cache/apt/updated"  # a new suite or mirror makes the old index worthless
fi
mv "$cache/apt/sources.list.new" "$cache/apt/sources.list"
apt_opts=(-o "Dir::Etc::SourceList=$cache/apt/sources.list" -o "Dir::Etc::SourceParts=/nonexistent"
          -o "Dir::State=$cache/apt" -o "Dir::State::Lists=$cache/apt/lists"
          -o "Dir::Cache=$cache/apt/cache" -o "Debug::NoLocking=1" -o "APT::Sandbox::User=$(id -un)")

if [ -n "${PUCKWIND_DEPS_REFRESH:-}" ] || [ ! -e "$cache/apt/updated" ] ||
   [ -n "$(find "$cache/apt/updated" -mmin +$((7 * 24 * 60)))" ]; then
  say "reading the Debian source index ($suite)"
  if apt-get "${apt_opts[@]}" -qq --error-on=any update >&2; then
    touch "$cache/apt/updated"
  elif [ -e "$cache/apt/updated" ]; then
    say "the index could not be refreshed; the one of $(date -r "$cache/apt/updated" +%F) is used"
  else
    say "no Debian source index: the first build needs the network"
    exit 1
  fi
fi

packages=(libsdl2 imgui)
# uris NAME: the files of the source package NAME that apt would fetch, "file sha256" a line.
uris() {
  apt-get "${apt_opts[@]}" -qq source --print-uris "$1" |
    awk -v q="'" '$1 ~ "^" q && $4 ~ /^SHA256:/ {print $2, substr($4, 8)}'
}
manifest=""
for p in "${packages[@]}"; do
  files=$(uris "$p") || true
  dsc=$(awk '/\.dsc /{print $1 " " $2}' <<<"$files")
  [ -n "$dsc" ] || { say "the index names no source package $p"; exit 1; }
  manifest+="source $dsc"$'\n'
done
manifest+="toolchain emscripten $(dpkg-query -W -f='${Version}' emscripten 2>/dev/null || echo unknown)"$'\n'
manifest+="compiler $(emcc --version | sed -n 1p)"$'\n'
manifest+="script $(sed -n '/^# --- the build/,$p' "$0" | sha256sum | cut -d' ' -f1)"$'\n'
key=$(sha256sum <<<"$manifest" | cut -c1-16)
prefix=$cache/$key

# Every use marks its entry; entries that no build has asked for in a month go.
[ ! -e "$prefix/puckwind-deps.txt" ] || touch "$prefix"
find "$cache" -mindepth 1 -maxdepth 1 -type d -regextype posix-extended -regex '.*/[0-9a-f]{16}' \
  -mtime +30 -exec rm -rf {} +
if [ -e "$prefix/puckwind-deps.txt" ]; then
  say "cached in $prefix"
  echo "$prefix"
  exit 0
fi

# --- the sources, kept in the cache for every key ---------------------------------------------
# have NAME: whether every upstream file of NAME is here with the index's digest.
have() {
  local file sum
  while read -r file sum; do
    case $file in *.debian.tar.* | *.asc) continue ;; esac
    [ -f "$cache/src/$file" ] && [ "$(sha256sum <"$cache/src/$file" | cut -d' ' -f1)" = "$sum" ] ||
      return 1
  done < <(uris "$1")
}
for p in "${packages[@]}"; do
  if ! have "$p"; then
    say "fetching the Debian source of $p"
    (cd "$cache/src" && apt-get "${apt_opts[@]}" -qq source --download-only "$p" 2>&1 |
       grep -v '^Skipping already downloaded' >&2) || true
    have "$p" || { say "could not fetch the Debian source package $p"; exit 1; }
  fi
done

# --- the build, in a work directory; installed under $dest$prefix ---------------------------
work=$cache/.work-$key
dest=$work/dest
stage=$dest$prefix
rm -rf "$cache"/.work-*  # what an interrupted build left
mkdir -p "$stage"
say "building into $prefix (logs in $work)"

# logged STEP COMMAND...: runs COMMAND with its output in STEP.log; on failure shows its end.
logged() {
  local step=$1
  shift
  if ! "$@" >>"$work/$step.log" 2>&1; then
    say "$step failed; the end of $work/$step.log:"
    tail -n 30 "$work/$step.log" >&2
    exit 1
  fi
}

# unpack NAME: the source tree of package NAME, with Debian's patches when its part is there.
unpack() {
  local dsc orig dir=$work/src/$1
  dsc=$(uris "$1" | awk '/\.dsc /{print $1}')
  orig=$(uris "$1" | awk '$1 ~ /\.orig\.tar\./ && $1 !~ /\.orig-/ {print $1}')
  mkdir -p "$work/src"
  if ! dpkg-source --no-check -x "$cache/src/$dsc" "$dir" >/dev/null 2>&1; then
    say "$1: Debian's packaging part is missing; building upstream's tarball"
    rm -rf "$dir" && mkdir -p "$dir"
    tar -xf "$cache/src/$orig" -C "$dir" --strip-components=1
  fi
  echo "$dir"
}

# SDL2, static, with the Emscripten video and audio drivers; no threads (the game's page runs on
# one), so the audio is fed from the browser's own callback.
say "SDL2"
src=$(unpack libsdl2)
logged sdl2 emcmake cmake -S "$src" -B "$work/sdl2" -G Ninja -DCMAKE_BUILD_TYPE=Release \
       -DCMAKE_INSTALL_PREFIX="$prefix" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
       -DSDL_THREADS=OFF -DSDL2_DISABLE_INSTALL_DOCS=ON
logged sdl2 cmake --build "$work/sdl2" -j"$jobs"
DESTDIR=$dest logged sdl2 cmake --install "$work/sdl2"

# Dear ImGui (static libimgui.a: the core, the C++ helpers and the SDL2 and OpenGL ES 3 backends;
# its own stb copies, so no FreeType).
say "Dear ImGui"
src=$(unpack imgui)
out=$work/imgui
mkdir -p "$out"
objs=()
for f in imgui.cpp imgui_draw.cpp imgui_tables.cpp imgui_widgets.cpp imgui_demo.cpp \
         misc/cpp/imgui_stdlib.cpp backends/imgui_impl_sdl.cpp backends/imgui_impl_opengl3.cpp; do
  o=$out/$(basename "${f%.cpp}").o
  logged imgui em++ -std=c++17 -O2 -DIMGUI_IMPL_OPENGL_ES3 -I"$src" -I"$stage/include/SDL2" \
         -c "$src/$f" -o "$o" &
  objs+=("$o")
  [ "$(jobs -r | wc -l)" -lt "$jobs" ] || wait -n
done
for job in $(jobs -p); do wait "$job"; done
logged imgui emar rcs "$stage/lib/libimgui.a" "${objs[@]}"
mkdir -p "$stage/include/imgui/backends"
cp "$src"/*.h "$src"/misc/cpp/*.h "$stage/include/imgui/"
cp "$src"/backends/imgui_impl_sdl.h "$src"/backends/imgui_impl_opengl3.h \
   "$src"/backends/imgui_impl_opengl3_loader.h "$stage/include/imgui/backends/"
version=$(sed -n 's/^#define IMGUI_VERSION *"\([^"]*\)".*/\1/p' "$src/imgui.h")
cat >"$stage/lib/pkgconfig/imgui.pc" <<PC
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include/imgui

Name: imgui
Description: Dear ImGui, built for the web with its SDL2 and OpenGL ES 3 backends
Version: $version
Requires: sdl2
Libs: -L\${libdir} -limgui
Cflags: -I\${includedir} -DIMGUI_IMPL_OPENGL_ES3
PC

# Installed files must name the final place, never the staging directory.
if grep -rlF "$dest" "$stage" >&2; then
  say "the files above name the staging directory $dest"
  exit 1
fi
printf '%s' "$manifest" >"$stage/puckwind-deps.txt"
mv -T "$stage" "$prefix"
rm -rf "$work"
say "ready in $prefix"
echo "$prefix"
