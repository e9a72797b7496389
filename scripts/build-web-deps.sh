#!/usr/bin/env bash
# Builds the libraries the browser game needs (SDL2 with its Emscripten video and audio drivers,
# Dear ImGui with its SDL2 and OpenGL ES 3 backends) from Debian's source packages with Debian's
# Emscripten, once per machine, into a cache that every clone shares ($PUCKWIND_CACHE/web-deps;
# PUCKWIND_CACHE defaults to ${XDG_CACHE_HOME:-$HOME/.cache}/puckwind), and prints the prefix's
# path (the only thing written to standard output). Emscripten's own SDL2 cannot serve: it is
# fetched from the network while the game links. scripts/debian-sources.sh says how the sources
# are fetched and how a prefix is keyed; the key also holds the emscripten package's version and
# the compiler's banner.
# Usage: scripts/build-web-deps.sh
set -euo pipefail
shopt -s inherit_errexit

root=$(cd "$(dirname "$0")/.." && pwd)
cache=${PUCKWIND_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/puckwind}/web-deps
jobs=$(nproc)
say() { echo "web-deps: $*" >&2; }

what="the web libraries"
packages=(libsdl2 imgui)
toolchain_manifest() {
  echo "toolchain emscripten $(dpkg-query -W -f='${Version}' emscripten 2>/dev/null || echo unknown)"
  echo "compiler $(emcc --version | sed -n 1p)"
}
source "$root/scripts/debian-sources.sh"

# --- the build ----------------------------------------------------------------------------------
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

publish_prefix
