#!/usr/bin/env bash
# Builds the libraries the Windows game needs (SDL2, libepoxy, FreeType, Dear ImGui) from Debian's
# source packages with the mingw-w64 toolchain, once per machine, into a cache that every clone
# shares ($PUCKWIND_CACHE/windows-deps; PUCKWIND_CACHE defaults to
# ${XDG_CACHE_HOME:-$HOME/.cache}/puckwind), and prints the prefix's path (the only thing written
# to standard output). scripts/debian-sources.sh says how the sources are fetched and how a
# prefix is keyed; the key also holds the mingw-w64 packages' versions, the compiler's banner and
# the CMake toolchain file.
# Usage: scripts/build-windows-deps.sh
set -euo pipefail
shopt -s inherit_errexit

root=$(cd "$(dirname "$0")/.." && pwd)
cache=${PUCKWIND_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/puckwind}/windows-deps
triplet=x86_64-w64-mingw32
jobs=$(nproc)
say() { echo "windows-deps: $*" >&2; }

what="the Windows libraries"
packages=(libsdl2 libepoxy freetype imgui)
toolchain_manifest() {
  local p
  for p in binutils-mingw-w64-x86-64 gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix \
           mingw-w64-x86-64-dev; do
    echo "toolchain $p $(dpkg-query -W -f='${Version}' "$p" 2>/dev/null || echo unknown)"
  done
  echo "compiler $($triplet-g++-posix --version | sed -n 1p)"
  echo "toolchain-file $(sha256sum <"$root/cmake/mingw-w64-x86_64.cmake" | cut -d' ' -f1)"
}
source "$root/scripts/debian-sources.sh"

# --- the build ----------------------------------------------------------------------------------
cmake_cross=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
             -DPUCKWIND_WINDOWS_PREFIX="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix"
             -DCMAKE_BUILD_TYPE=Release)

# SDL2 (shared: SDL2.dll)
say "SDL2"
src=$(unpack libsdl2)
logged sdl2 cmake -S "$src" -B "$work/sdl2" "${cmake_cross[@]}" -DSDL_SHARED=ON -DSDL_STATIC=OFF \
       -DSDL_TEST=OFF -DSDL2_DISABLE_INSTALL_DOCS=ON
logged sdl2 cmake --build "$work/sdl2" -j"$jobs"
DESTDIR=$dest logged sdl2 cmake --install "$work/sdl2"

# libepoxy (shared: libepoxy-0.dll), with meson
say "libepoxy"
src=$(unpack libepoxy)
cat >"$work/meson-cross.txt" <<EOF
[binaries]
c = '$triplet-gcc-posix'
cpp = '$triplet-g++-posix'
ar = '$triplet-ar'
strip = '$triplet-strip'
windres = '$triplet-windres'
pkg-config = 'pkg-config'

[properties]
pkg_config_libdir = '$stage/lib/pkgconfig'

[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
EOF
logged epoxy meson setup "$work/epoxy" "$src" --cross-file "$work/meson-cross.txt" \
       --prefix "$prefix" --libdir lib --buildtype release -Degl=no -Dglx=no -Dx11=false \
       -Dtests=false -Ddocs=false
DESTDIR=$dest logged epoxy ninja -C "$work/epoxy" -j"$jobs" install

# FreeType (static, only what Dear ImGui's font rasteriser needs)
say "FreeType"
src=$(unpack freetype)
logged freetype cmake -S "$src" -B "$work/freetype" "${cmake_cross[@]}" -DBUILD_SHARED_LIBS=OFF \
       -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON \
       -DFT_DISABLE_BROTLI=ON
logged freetype cmake --build "$work/freetype" -j"$jobs"
DESTDIR=$dest logged freetype cmake --install "$work/freetype"

# Dear ImGui (static libimgui.a, as Debian's: the core, the C++ and FreeType helpers, and the
# SDL2 and OpenGL3 backends; its own stb copies)
say "Dear ImGui"
src=$(unpack imgui)
out=$work/imgui
mkdir -p "$out"
# The installed .pc files name $prefix; the sysroot points them at the staged copy.
read -r -a flags <<<"$(PKG_CONFIG_LIBDIR=$stage/lib/pkgconfig PKG_CONFIG_PATH= \
                      PKG_CONFIG_SYSROOT_DIR=$dest pkg-config --cflags sdl2 freetype2)"
objs=()
for f in imgui.cpp imgui_draw.cpp imgui_tables.cpp imgui_widgets.cpp imgui_demo.cpp \
         misc/cpp/imgui_stdlib.cpp misc/freetype/imgui_freetype.cpp \
         backends/imgui_impl_sdl.cpp backends/imgui_impl_opengl3.cpp; do
  o=$out/$(basename "${f%.cpp}").o
  logged imgui $triplet-g++-posix -std=c++17 -O2 -I"$src" "${flags[@]}" -c "$src/$f" -o "$o" &
  objs+=("$o")
  [ "$(jobs -r | wc -l)" -lt "$jobs" ] || wait -n
done
for job in $(jobs -p); do wait "$job"; done
logged imgui $triplet-ar rcs "$stage/lib/libimgui.a" "${objs[@]}"
mkdir -p "$stage/include/imgui/backends"
cp "$src"/*.h "$src"/misc/cpp/*.h "$src"/misc/freetype/*.h "$stage/include/imgui/"
cp "$src"/backends/imgui_impl_sdl.h "$src"/backends/imgui_impl_opengl3.h \
   "$src"/backends/imgui_impl_opengl3_loader.h "$stage/include/imgui/backends/"
version=$(sed -n 's/^#define IMGUI_VERSION *"\([^"]*\)".*/\1/p' "$src/imgui.h")
cat >"$stage/lib/pkgconfig/imgui.pc" <<EOF
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include/imgui

Name: imgui
Description: Dear ImGui, built for Windows with its SDL2 and OpenGL3 backends
Version: $version
Requires: sdl2 freetype2
Libs: -L\${libdir} -limgui
Cflags: -I\${includedir}
EOF

publish_prefix
