#!/usr/bin/env bash
# Builds the libraries the Windows game needs (SDL2, libepoxy, FreeType, Dear ImGui) from Debian's
# source packages with the mingw-w64 toolchain, into build/windows-deps/prefix.
# The sources come through apt-get with an apt configuration of the build's own (its own
# sources.list with a deb-src line for this machine's Debian suite, its own lists and cache): the
# machine's apt setup is never touched. Each step leaves a stamp, so a second run does nothing.
# Usage: scripts/build-windows-deps.sh [DEPS_DIR]
set -euo pipefail
shopt -s inherit_errexit

root=$(cd "$(dirname "$0")/.." && pwd)
deps=$(realpath -m "${1:-$root/build/windows-deps}")
prefix=$deps/prefix
triplet=x86_64-w64-mingw32
jobs=2
mkdir -p "$deps/apt/lists/partial" "$deps/apt/cache/archives/partial" "$deps/src" "$deps/build" \
         "$prefix/lib/pkgconfig" "$prefix/bin" "$prefix/include"

say() { echo "windows-deps: $*"; }

# --- sources --------------------------------------------------------------------------------
suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
mirror=${PUCKWIND_DEBIAN_MIRROR:-http://deb.debian.org/debian}
echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $suite main" \
  > "$deps/apt/sources.list"
apt_opts=(-o "Dir::Etc::SourceList=$deps/apt/sources.list" -o "Dir::Etc::SourceParts=/nonexistent"
          -o "Dir::State=$deps/apt" -o "Dir::State::Lists=$deps/apt/lists"
          -o "Dir::Cache=$deps/apt/cache" -o "Debug::NoLocking=1" -o "APT::Sandbox::User=$(id -un)")

packages=(libsdl2 libepoxy freetype imgui)
if [ ! -e "$deps/src/.fetched" ]; then
  say "fetching Debian sources of ${packages[*]} ($suite)"
  apt-get "${apt_opts[@]}" -qq update
  for p in "${packages[@]}"; do
    # --download-only, then unpack here: a missing Debian packaging part (seen on some mirrors)
    # leaves the upstream tarball, which is all a cross build needs.
    (cd "$deps/src" && apt-get "${apt_opts[@]}" -qq source --download-only "$p" 2>&1) |
      grep -v '^Skipping already downloaded' || true
    if ! ls "$deps/src/$p"_*.dsc "$deps/src/$p"_*.orig.tar.* >/dev/null 2>&1; then
      echo "windows-deps: could not fetch the Debian source package $p" >&2
      exit 1
    fi
  done
  touch "$deps/src/.fetched"
fi

# unpack NAME: the source tree of package NAME, verified against its .dsc; prints its path.
unpack() {
  local dsc orig dir
  dsc=$(ls "$deps/src/$1"_*.dsc | head -n 1)
  orig=$(ls "$deps/src/$1"_*.orig.tar.* | head -n 1)
  dir=$deps/src/$1
  if [ ! -d "$dir" ]; then
    local want
    want=$(awk '/^Checksums-Sha256:/{f=1;next} /^[^ ]/{f=0} f{print $1, $3}' "$dsc" |
           awk -v n="$(basename "$orig")" '$2==n{print $1}')
    echo "$want  $orig" | sha256sum --quiet -c - >&2
    if ! (cd "$deps/src" && dpkg-source --no-check -x "$dsc" "$dir.tmp" >/dev/null 2>&1); then
      say "$1: Debian's packaging part is missing; building the upstream tarball (checksum matched)" >&2
      rm -rf "$dir.tmp" && mkdir -p "$dir.tmp"
      tar -xf "$orig" -C "$dir.tmp" --strip-components=1
    fi
    mv "$dir.tmp" "$dir"
  fi
  echo "$dir"
}

stamp() { [ -e "$deps/build/$1.done" ]; }
done_() { touch "$deps/build/$1.done"; }

cmake_cross=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
             -DPUCKWIND_WINDOWS_PREFIX="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix"
             -DCMAKE_BUILD_TYPE=Release)

# --- SDL2 (shared: SDL2.dll) -----------------------------------------------------------------
if ! stamp sdl2; then
  src=$(unpack libsdl2)
  say "building SDL2"
  cmake -S "$src" -B "$deps/build/sdl2" "${cmake_cross[@]}" -DSDL_SHARED=ON -DSDL_STATIC=OFF \
        -DSDL_TEST=OFF -DSDL2_DISABLE_INSTALL_DOCS=ON >"$deps/build/sdl2.log" 2>&1
  cmake --build "$deps/build/sdl2" -j$jobs >>"$deps/build/sdl2.log" 2>&1
  cmake --install "$deps/build/sdl2" >>"$deps/build/sdl2.log" 2>&1
  done_ sdl2
fi

# --- libepoxy (shared: libepoxy-0.dll), with meson ---------------------------------------------
if ! stamp epoxy; then
  src=$(unpack libepoxy)
  say "building libepoxy"
  cat >"$deps/build/meson-cross.txt" <<EOF
[binaries]
c = '$triplet-gcc-posix'
cpp = '$triplet-g++-posix'
ar = '$triplet-ar'
strip = '$triplet-strip'
windres = '$triplet-windres'
pkg-config = 'pkg-config'

[properties]
pkg_config_libdir = '$prefix/lib/pkgconfig'

[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
EOF
  rm -rf "$deps/build/epoxy"
  meson setup "$deps/build/epoxy" "$src" --cross-file "$deps/build/meson-cross.txt" \
        --prefix "$prefix" --libdir lib --buildtype release -Degl=no -Dglx=no -Dx11=false \
        -Dtests=false -Ddocs=false >"$deps/build/epoxy.log" 2>&1
  ninja -C "$deps/build/epoxy" -j$jobs install >>"$deps/build/epoxy.log" 2>&1
  done_ epoxy
fi

# --- FreeType (static, only what Dear ImGui's font rasteriser needs) ----------------------------
if ! stamp freetype; then
  src=$(unpack freetype)
  say "building FreeType"
  cmake -S "$src" -B "$deps/build/freetype" "${cmake_cross[@]}" -DBUILD_SHARED_LIBS=OFF \
        -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON \
        -DFT_DISABLE_BROTLI=ON >"$deps/build/freetype.log" 2>&1
  cmake --build "$deps/build/freetype" -j$jobs >>"$deps/build/freetype.log" 2>&1
  cmake --install "$deps/build/freetype" >>"$deps/build/freetype.log" 2>&1
  done_ freetype
fi

# --- Dear ImGui (static libimgui.a, as Debian's: the core, the C++ and FreeType helpers, and the
# SDL2 and OpenGL3 backends; its own stb copies) -------------------------------------------------
if ! stamp imgui; then
  src=$(unpack imgui)
  say "building Dear ImGui"
  out=$deps/build/imgui
  rm -rf "$out" "$out.log" && mkdir -p "$out"
  export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=
  read -r -a flags <<<"$(pkg-config --cflags sdl2 freetype2)"
  objs=()
  for f in imgui.cpp imgui_draw.cpp imgui_tables.cpp imgui_widgets.cpp imgui_demo.cpp \
           misc/cpp/imgui_stdlib.cpp misc/freetype/imgui_freetype.cpp \
           backends/imgui_impl_sdl.cpp backends/imgui_impl_opengl3.cpp; do
    o=$out/$(basename "${f%.cpp}").o
    $triplet-g++-posix -std=c++17 -O2 -I"$src" "${flags[@]}" -c "$src/$f" -o "$o" 2>>"$out.log" &
    objs+=("$o")
    [ "$(jobs -r | wc -l)" -lt $jobs ] || wait -n
  done
  for job in $(jobs -p); do wait "$job"; done
  $triplet-ar rcs "$prefix/lib/libimgui.a" "${objs[@]}"
  mkdir -p "$prefix/include/imgui/backends"
  cp "$src"/*.h "$src"/misc/cpp/*.h "$src"/misc/freetype/*.h "$prefix/include/imgui/"
  cp "$src"/backends/imgui_impl_sdl.h "$src"/backends/imgui_impl_opengl3.h \
     "$src"/backends/imgui_impl_opengl3_loader.h "$prefix/include/imgui/backends/"
  version=$(sed -n 's/^#define IMGUI_VERSION *"\([^"]*\)".*/\1/p' "$src/imgui.h")
  cat >"$prefix/lib/pkgconfig/imgui.pc" <<EOF
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
  done_ imgui
fi

say "ready in $prefix"
